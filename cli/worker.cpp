#include "cli/worker.h"

#include "cli/output.h"
#include "cli/system.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace cli {

namespace {

// How long a thread that waits for the other one keeps looking before it
// sleeps. A block takes the other thread tens of microseconds, and a thread
// that sleeps at every block is often woken on the processor of the thread
// that wakes it, where the two then take turns instead of running side by
// side (on the two-processor virtual machine measured: most runs went so).
constexpr auto Watch = std::chrono::microseconds(100);

} // namespace

// What the thread shares with the converter. The thread holds its own
// reference, so that a program ending on an error while a write waits leaves
// it nothing freed under it. Blocks are counted from the start: block n is
// blocks[n % OutputBlocks].
struct Worker::Shared {
    std::mutex mutex;
    std::condition_variable work; // the thread sleeps on it
    std::condition_variable done; // the converter sleeps on it
    std::atomic<std::uint64_t> changes{0};
    bool stop = false;

    std::size_t capacity = 0;
    std::unique_ptr<char[]> blocks[OutputBlocks];
    std::size_t sizes[OutputBlocks] = {};
    std::uint64_t queued = 0;
    std::uint64_t written = 0;
    bool writing = false; // a write is under way
    int error = 0;        // the first write error; later blocks are dropped

    bool canWrite() const { return !writing && written < queued; }

    // Under the lock, after any change: either thread may wait for it (a
    // block written by the converter lets the thread write the next one).
    void changed()
    {
        changes.store(changes.load(std::memory_order_relaxed) + 1, std::memory_order_release);
        work.notify_one();
        done.notify_one();
    }

    // Under the lock, until `ready()`: first watching for changes, giving
    // the processor up between looks (to the other thread, when the two
    // share one), then asleep.
    template <class Ready> void await(std::unique_lock<std::mutex>& lock, std::condition_variable& sleeper, Ready ready)
    {
        const auto until = std::chrono::steady_clock::now() + Watch;
        while (!ready()) {
            const std::uint64_t seen = changes.load(std::memory_order_relaxed);
            if (std::chrono::steady_clock::now() >= until) {
                sleeper.wait(lock);
                continue;
            }
            lock.unlock();
            while (changes.load(std::memory_order_acquire) == seen && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
            lock.lock();
        }
    }

    static void run(const std::shared_ptr<Shared>& self)
    {
        std::unique_lock lock(self->mutex);
        for (;;) {
            if (self->canWrite())
                self->writeOne(lock);
            else if (self->stop)
                return;
            else
                self->await(lock, self->work, [&] { return self->canWrite() || self->stop; });
        }
    }

    // The oldest block queued, by whichever thread is free.
    void writeOne(std::unique_lock<std::mutex>& lock)
    {
        writing = true;
        const std::size_t at = std::size_t(written % OutputBlocks);
        const char* data = blocks[at].get();
        const std::size_t size = sizes[at];
        const bool skip = error != 0;
        lock.unlock();
        int failure = 0;
        const bool ok = skip || writeAll(1, data, size, failure);
        lock.lock();
        if (!ok && error == 0)
            error = failure;
        ++written;
        writing = false;
        changed();
    }
};

Worker::Worker(std::size_t capacity) : shared_(std::make_shared<Shared>())
{
    shared_->capacity = capacity;
    shared_->blocks[0] = std::make_unique_for_overwrite<char[]>(capacity);
    filling_ = shared_->blocks[0].get();
}

Worker::~Worker()
{
    if (!started_)
        return;
    bool busy = false;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stop = true;
        busy = shared_->written < shared_->queued;
        shared_->changed();
    }
    // After a failure, a write may wait on a reader that never comes: the
    // thread is then left to end with the program.
    if (busy)
        thread_.detach();
    else
        thread_.join();
}

void Worker::start()
{
    if (started_)
        return;
    for (std::size_t i = 1; i < OutputBlocks; ++i)
        shared_->blocks[i] = std::make_unique_for_overwrite<char[]>(shared_->capacity);
    // The interrupts are for the converting thread, whose waits they end.
    const InterruptBlock block;
    thread_ = std::thread(Shared::run, shared_);
    started_ = true;
}

bool Worker::queue(std::size_t size)
{
    Shared& s = *shared_;
    std::unique_lock lock(s.mutex);
    s.sizes[s.queued % OutputBlocks] = size;
    ++s.queued;
    s.changed();
    // The next block is free once the one that used it last is written.
    while (s.queued - s.written >= OutputBlocks) {
        if (s.canWrite())
            s.writeOne(lock);
        else
            s.await(lock, s.done, [&] { return s.queued - s.written < OutputBlocks || s.canWrite(); });
    }
    filling_ = s.blocks[s.queued % OutputBlocks].get();
    return s.error == 0;
}

bool Worker::drain()
{
    Shared& s = *shared_;
    std::unique_lock lock(s.mutex);
    while (s.written < s.queued) {
        if (s.canWrite())
            s.writeOne(lock);
        else
            s.await(lock, s.done, [&] { return s.written == s.queued || s.canWrite(); });
    }
    return s.error == 0;
}

int Worker::error() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->error;
}

} // namespace cli
