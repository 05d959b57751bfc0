// The buffered writer: converted text gathers in a block that is written to
// standard output whole, which a file system takes in fewer, cheaper calls.
// Once a text proves big (a block fills), the worker's thread writes each
// block while the next ones are converted, so that converting costs little
// more than copying. A block that is not full is written on request: before
// the program would wait for input, and at the end.
#pragma once

#include "cli/worker.h"

#include <cstddef>
#include <string_view>

namespace cli {

// Writes all of `data` to descriptor `fd`; false with the error number in
// `error` when it cannot.
bool writeAll(int fd, const char* data, std::size_t size, int& error);

// A whole text (help, version) to standard output; false after a message.
bool writeText(std::string_view text, bool outputClosed);

// Closes standard output after the last write, which may fail as a write
// would (cat's rule); false after a message.
bool closeOutput();

class Writer {
public:
    // Written once this much has gathered: large enough that handing blocks
    // to the writing thread costs little, small enough to stay in the cache
    // (measured here against 256 KiB and 1 MiB).
    static constexpr std::size_t BlockSize = 512 * 1024;

    // The worker's blocks must hold a block and `room` past it: the most
    // that one step of the conversion adds past the cursor.
    static constexpr std::size_t capacity(std::size_t room) { return BlockSize + room; }

    explicit Writer(Worker& worker);
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Where converted text goes next, with `room` bytes free past it.
    char* cursor() const { return end_; }
    // Takes the text put before `end`; writes a full block. False after a
    // write error, reported once.
    bool advance(char* end)
    {
        end_ = end;
        return std::size_t(end_ - begin_) < BlockSize || flush();
    }
    bool pending() const { return end_ != begin_; }

    // For UTF-16 in the byte order that is not the processor's: each 16-bit
    // unit is swapped just before it is written.
    void swapUnits(bool swap) { swap_ = swap; }

    // Writes what has gathered (in the background once the text is big).
    bool flush();
    // Writes everything and waits until it is written. False after an error.
    bool finish();

private:
    bool failed();

    Worker& worker_;
    char* begin_ = nullptr;
    char* end_ = nullptr;
    bool swap_ = false;
    bool reported_ = false;
};

} // namespace cli
