// What tagwell-convert needs from the operating system, the same on POSIX
// systems and on Windows: descriptors, file identity, waiting for input and
// the interrupting signals. Names are the system's own characters (wide on
// Windows, so that any name opens) and UTF-8 in messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

namespace cli {

#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif
using NativeString = std::basic_string<NativeChar>;
using NativeView = std::basic_string_view<NativeChar>;

// The name as messages show it: UTF-8 (on POSIX systems, the bytes as given).
std::string displayName(NativeView name);

// "tagwell-convert: WHAT: MESSAGE\n" on standard error.
void complain(std::string_view what, std::string_view message);
// The same with the text of a system error number.
void complainErrno(std::string_view what, int error);

// Which of the standard descriptors were closed when the program started.
// Each closed one now holds the null device, so that no input opened later
// lands on it and passes for it.
struct StandardDescriptors {
    bool inputClosed = false;
    bool outputClosed = false;
};
StandardDescriptors reserveStandardDescriptors();

// Binary standard streams, and a reader that goes away as a write error to
// report rather than a silent death.
void prepareStandardStreams();

// A file as the system knows it: enough to tell whether two descriptors
// refer to the same file, and how much a regular file holds.
struct FileInfo {
    bool regular = false;
    bool directory = false;
    std::uint64_t size = 0;
    std::uint64_t device = 0;
    std::uint64_t node = 0;
    bool known = false; // false when the identity could not be had
    // A device of 0 is one that could not be had (Windows): the node decides.
    bool sameFile(const FileInfo& other) const
    {
        return known && other.known && node == other.node &&
               (device == other.device || device == 0 || other.device == 0);
    }
};

// False with errno set when `fd` cannot be described.
bool describe(int fd, FileInfo& info);
// Whether `name` is a folder (false when it cannot be looked up at all).
bool isDirectory(NativeView name);

// Opens for reading; -1 with errno set on failure. A probe does not wait
// (a named pipe with no writer yet), for the checks before anything is read.
int openForReading(const NativeString& name, bool probe = false);
// False with errno set when the close fails: for standard output once
// everything is written to it, where a file system writes back only then
// (NFS) or finds the disk full only then, that is the write that fails.
bool closeDescriptor(int fd);
// The descriptor's position, or -1 when it has none (a pipe).
std::int64_t position(int fd);
// Reads at `offset` without moving the position, where the system can;
// -1 when it cannot.
long readAt(int fd, char* data, std::size_t size, std::int64_t offset);
// One read or write call: the count, or -1 with errno set (EINTR included).
long readSome(int fd, char* data, std::size_t size);
long writeSome(int fd, const char* data, std::size_t size);

// The signals that end the program on the user's word (SIGINT, SIGTERM,
// SIGHUP): caught, so that what was read and converted is written first.
void catchInterrupts();
// The signal that came, or 0.
int interruption();
// Ends the program as the signal would have, had it not been caught.
[[noreturn]] void dieOf(int signal);
// Keeps the calling thread, and the threads it starts, from taking the
// interrupts; undone by the returned mask's restore.
class InterruptBlock {
public:
    InterruptBlock();
    ~InterruptBlock();
    InterruptBlock(const InterruptBlock&) = delete;
    InterruptBlock& operator=(const InterruptBlock&) = delete;

private:
    alignas(8) unsigned char saved_[128];
};

// A thread just started waits beside the one that started it, on its
// processor, and there the two can take turns for a whole run while another
// one is free (measured here: the worker's first read came 1 to 8 ms after
// it started in most runs, and a run took a tenth longer). Moves `thread` to
// the other processors the program may use, where there are any; the thread
// calls runAnywhere() once it has work, so that it can be moved again.
void moveToAnotherProcessor(std::thread& thread);
void runAnywhere();

// Whether a read of `fd` (not a regular file) would wait for its writer now.
bool wouldWait(int fd);
// Waits until `fd` can be read; false when an interrupt came first.
bool waitForInput(int fd);

} // namespace cli
