#include "cli/output.h"

#include "cli/system.h"

#include <cerrno>
#include <utility>

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
    if (closeDescriptor(1))
        return true;
    complainErrno("write error", errno);
    return false;
}

Writer::Writer(Worker& worker) : worker_(worker), begin_(worker.outputBlock()), end_(begin_) {}

bool Writer::failed()
{
    const int error = worker_.started() ? worker_.error() : 0;
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
    if (!worker_.started() && size < BlockSize) {
        int error = 0;
        end_ = begin_;
        if (writeAll(1, begin_, size, error))
            return true;
        complainErrno("write error", error);
        reported_ = true;
        return false;
    }
    worker_.start();
    worker_.queue(size);
    begin_ = end_ = worker_.outputBlock();
    return !failed();
}

bool Writer::finish()
{
    if (!flush())
        return false;
    if (worker_.started())
        worker_.drain();
    return !failed();
}

} // namespace cli
