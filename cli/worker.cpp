#include "cli/worker.h"

#include "cli/input.h"
#include "cli/output.h"
#include "cli/system.h"

#include <atomic>
#include <cerrno>
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
// it nothing freed under it. Blocks are counted from the start: output block
// n is blocks[n % OutputBlocks], input block n is slots[n % InputBlocks].
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

    struct Slot {
        std::unique_ptr<char[]> data;
        long size = 0;
        int error = 0;
    };
    Slot slots[InputBlocks];
    Source* source = nullptr;
    std::uint64_t filled = 0;
    std::uint64_t consumed = 0; // released by the converter
    bool reading = false;       // a read is under way
    bool ended = false;         // no more reads: the end, an error, or stopped

    bool canWrite() const { return !writing && written < queued; }
    bool canRead() const { return source != nullptr && !ended && !reading && filled - consumed < InputBlocks; }

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

    // Writing comes first: a block written frees room for the converter,
    // while a block read ahead only adds to what it has in hand.
    static void run(const std::shared_ptr<Shared>& self)
    {
        std::unique_lock lock(self->mutex);
        // The converter moves this thread before it gives it any work; from
        // then on, it may run anywhere.
        self->await(lock, self->work, [&] { return self->canWrite() || self->canRead() || self->stop; });
        lock.unlock();
        runAnywhere();
        lock.lock();
        for (;;) {
            if (self->canWrite())
                self->writeOne(lock);
            else if (self->canRead())
                self->readOne(lock);
            else if (self->stop)
                return;
            else
                self->await(lock, self->work, [&] { return self->canWrite() || self->canRead() || self->stop; });
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

    // The next block of input, by whichever thread is free.
    void readOne(std::unique_lock<std::mutex>& lock)
    {
        reading = true;
        Slot& slot = slots[filled % InputBlocks];
        Source& from = *source;
        lock.unlock();
        long got = 0;
        do {
            got = from.read(slot.data.get(), ReadSize);
        } while (got < 0 && errno == EINTR);
        const int failure = got < 0 ? errno : 0;
        lock.lock();
        slot.size = got;
        slot.error = failure;
        ++filled;
        reading = false;
        ended = ended || got <= 0;
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
    moveToAnotherProcessor(thread_);
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

void Worker::readAhead(Source& source)
{
    start();
    Shared& s = *shared_;
    std::lock_guard lock(s.mutex);
    for (Shared::Slot& slot : s.slots) {
        if (!slot.data)
            slot.data = std::make_unique_for_overwrite<char[]>(ReadSize);
    }
    s.source = &source;
    s.filled = s.consumed = 0;
    s.ended = false;
    s.changed();
}

Worker::Block Worker::next()
{
    Shared& s = *shared_;
    std::unique_lock lock(s.mutex);
    // Nothing read and no read under way: the thread is writing, and this
    // one reads rather than wait.
    if (s.filled == s.consumed && s.canRead())
        s.readOne(lock);
    s.await(lock, s.done, [&] { return s.filled > s.consumed || (s.ended && !s.reading); });
    if (s.filled == s.consumed)
        return {};
    const Shared::Slot& slot = s.slots[s.consumed % InputBlocks];
    return {slot.data.get(), slot.size, slot.error};
}

void Worker::release()
{
    Shared& s = *shared_;
    std::lock_guard lock(s.mutex);
    ++s.consumed;
    s.changed();
}

void Worker::stopReading()
{
    Shared& s = *shared_;
    std::unique_lock lock(s.mutex);
    s.ended = true;
    s.await(lock, s.done, [&] { return !s.reading; });
    s.source = nullptr;
}

} // namespace cli
