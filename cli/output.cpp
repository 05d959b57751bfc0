#include "cli/output.h"

#include "cli/system.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace cli {

bool writeAll(int fd, const char* data, std::size_t size, int& error)
{
    while (size > 0) {
        const long written = writeSome(fd, data, size);
        if (written > 0) {
            data += written;
            size -= std::size_t(written);
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else {
            error = written < 0 ? errno : EIO;
            return false;
        }
    }
    return true;
}

bool writeText(std::string_view text, bool outputClosed)
{
    int error = EBADF;
    if (!outputClosed && writeAll(1, text.data(), text.size(), error))
        return true;
    complainErrno("write error", error);
    return false;
}

bool closeOutput()
{
    if (closeStandardOutput())
        return true;
    complainErrno("write error", errno);
    return false;
}

// What the writing thread shares with the converting one: the two blocks,
// and which of them is being written. The thread holds its own reference, so
// that a program ending on an error while a write waits leaves it nothing
// freed under it.
struct Writer::Shared {
    std::unique_ptr<char[]> blocks[2];
    std::size_t capacity = 0;
    std::mutex mutex;
    std::condition_variable changed;
    const char* job = nullptr; // being written, while not null
    std::size_t jobSize = 0;
    bool stop = false;
    int error = 0; // the first write error
    std::thread thread;
    bool started = false;
    int filling = 0; // the block being filled

    static void run(const std::shared_ptr<Shared>& self)
    {
        std::unique_lock lock(self->mutex);
        for (;;) {
            self->changed.wait(lock, [&] { return self->job != nullptr || self->stop; });
            if (self->job == nullptr)
                return;
            const char* data = self->job;
            const std::size_t size = self->jobSize;
            lock.unlock();
            int error = 0;
            const bool written = self->error == 0 && writeAll(1, data, size, error);
            lock.lock();
            if (!written && self->error == 0)
                self->error = error;
            self->job = nullptr;
            self->changed.notify_all();
        }
    }
};

Writer::Writer(std::size_t room) : shared_(std::make_shared<Shared>())
{
    shared_->capacity = BlockSize + room;
    shared_->blocks[0] = std::make_unique_for_overwrite<char[]>(shared_->capacity);
    begin_ = end_ = shared_->blocks[0].get();
}

Writer::~Writer()
{
    if (!shared_->started)
        return;
    bool busy = false;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stop = true;
        busy = shared_->job != nullptr;
    }
    shared_->changed.notify_all();
    // After a failure, a write may wait on a reader that never comes: the
    // thread is then left to end with the program.
    if (busy)
        shared_->thread.detach();
    else
        shared_->thread.join();
}

bool Writer::failed()
{
    int error = 0;
    if (shared_->started) {
        std::lock_guard lock(shared_->mutex);
        error = shared_->error;
    }
    if (error == 0)
        return false;
    if (!reported_)
        complainErrno("write error", error);
    reported_ = true;
    return true;
}

bool Writer::flush()
{
    if (reported_)
        return false;
    if (!pending())
        return !failed();
    const std::size_t size = std::size_t(end_ - begin_);
    if (swap_) {
        for (char* p = begin_; p + 1 < end_; p += 2)
            std::swap(p[0], p[1]);
    }
    // A small text, or a live filter's piece, goes out at once from here.
    if (!shared_->started && size < BlockSize) {
        int error = 0;
        end_ = begin_;
        if (writeAll(1, begin_, size, error))
            return true;
        complainErrno("write error", error);
        reported_ = true;
        return false;
    }
    return handOver();
}

// Gives the filled block to the thread once it is done with the other one,
// and goes on filling that one.
bool Writer::handOver()
{
    Shared& s = *shared_;
    if (!s.started) {
        s.blocks[1] = std::make_unique_for_overwrite<char[]>(s.capacity);
        // The interrupts are for the converting thread, whose waits they end.
        const InterruptBlock block;
        s.thread = std::thread(Shared::run, shared_);
        s.started = true;
    }
    const std::size_t size = std::size_t(end_ - begin_);
    {
        std::unique_lock lock(s.mutex);
        s.changed.wait(lock, [&] { return s.job == nullptr; });
        if (s.error == 0) {
            s.job = begin_;
            s.jobSize = size;
        }
    }
    s.changed.notify_all();
    if (failed())
        return false;
    s.filling = 1 - s.filling;
    begin_ = end_ = s.blocks[s.filling].get();
    return true;
}

bool Writer::finish()
{
    if (!flush())
        return false;
    if (!shared_->started)
        return true;
    {
        std::unique_lock lock(shared_->mutex);
        shared_->changed.wait(lock, [&] { return shared_->job == nullptr; });
    }
    return !failed();
}

} // namespace cli
