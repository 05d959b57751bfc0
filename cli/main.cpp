// tagwell-convert: the window's conversion as a filter from files or standard
// input to standard output, in fixed-size blocks so that memory stays the same
// whatever the size of the text.
#include "core/conversion.h"
#include "tagwell_version.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#define TAGWELL_MAP_INPUT 1
#endif

namespace {

constexpr std::string_view Program = "tagwell-convert";
// Input is read in blocks small enough to stay in the cache while they are
// converted; output is written in larger ones, which a file system takes in
// fewer, cheaper calls.
constexpr std::size_t ReadSize = 128 * 1024;
constexpr std::size_t WriteSize = 1024 * 1024;
// A regular file is read through a window of its pages mapped into memory.
constexpr std::size_t MapSize = 4 * 1024 * 1024;

constexpr std::string_view Usage = R"(Usage: tagwell-convert [--keep-pre] [FILE...]
Write FILEs, or standard input, to standard output as an HTML fragment that
shows the text verbatim: every "<" as "&lt;", every ">" as "&gt;", the whole
inside <pre> and </pre>. The bytes are otherwise copied as they are.

With no FILE, or when FILE is -, read standard input.

  --keep-pre   keep the <pre> and </pre> tags the text holds (by default they
               are removed first, so converting twice changes nothing)
  --help       show this help and exit
  --version    show the version and exit
)";

void complain(std::string_view what, int error)
{
    std::fprintf(stderr, "%.*s: %.*s: %s\n", int(Program.size()), Program.data(), int(what.size()), what.data(),
                 std::strerror(error));
}

struct Input {
    std::string name;
    std::FILE* file;
};

struct FileCloser {
    void operator()(std::FILE* file) const
    {
        if (file != stdin)
            std::fclose(file);
    }
};

// Opens the input before anything is written, so that a misspelt name leaves
// standard output empty.
std::FILE* openInput(const std::string& name)
{
    if (name == "-")
        return stdin;
    std::error_code ec;
    if (std::filesystem::is_directory(name, ec)) {
        complain(name, EISDIR);
        return nullptr;
    }
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr)
        complain(name, errno);
    return file;
}

// A pipe's default 64 KiB makes reader and writer take turns too often on a
// big text; a block's worth lets each side run a whole block at a time.
void widenPipe([[maybe_unused]] std::FILE* file)
{
#if defined(__linux__) && defined(F_SETPIPE_SZ)
    ::fcntl(fileno(file), F_SETPIPE_SZ, int(WriteSize));
#endif
}

bool writeAll(const char* data, std::size_t size)
{
    if (std::fwrite(data, 1, size, stdout) == size)
        return true;
    complain("write error", errno);
    return false;
}

using Converter = tagwell::StreamConverter<char>;

// The converted text, gathered into pieces of at least WriteSize before they
// are written. Each feed takes at most ReadSize bytes.
class Output {
public:
    explicit Output(tagwell::CheckState state)
        : converter_(state), buffer_(WriteSize + Converter::maxOutput(ReadSize)), end_(converter_.start(buffer_.data()))
    {
    }

    // False once writing failed (and was reported).
    bool feed(const char* data, std::size_t size)
    {
        end_ = converter_.feed(data, size, end_);
        return std::size_t(end_ - buffer_.data()) < WriteSize || flush();
    }

    bool finish()
    {
        end_ = converter_.finish(end_);
        return flush() && flushStdout();
    }

private:
    bool flush()
    {
        const bool written = writeAll(buffer_.data(), std::size_t(end_ - buffer_.data()));
        end_ = buffer_.data();
        return written;
    }

    static bool flushStdout()
    {
        if (std::fflush(stdout) == 0)
            return true;
        complain("write error", errno);
        return false;
    }

    Converter converter_;
    std::vector<char> buffer_;
    char* end_;
};

// Reads the rest of `file` into `output`. False after a failure, reported.
bool feedRead(std::FILE* file, const std::string& shownName, std::vector<char>& in, Output& output)
{
    for (;;) {
        const std::size_t got = std::fread(in.data(), 1, in.size(), file);
        if (!output.feed(in.data(), got))
            return false;
        if (got < in.size()) {
            if (!std::ferror(file))
                return true;
            complain(shownName, errno);
            return false;
        }
    }
}

#ifdef TAGWELL_MAP_INPUT
// What a file that shrinks under its mapping gets: the pages past its new end
// are gone, and touching one raises SIGBUS. Only async-signal-safe calls.
char shrankMessage[1024];
std::size_t shrankLength = 0;

extern "C" void onFileShrank(int)
{
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, shrankMessage, shrankLength);
    ::_exit(1);
}

// Converts a regular file from its page-cache pages, mapped a window at a
// time, rather than copying each block out of the kernel first: on a big file
// that copy costs as much as the conversion. Leaves the file positioned after
// what it converted, so that reading takes the rest: anything appended in the
// meantime, or all of it when the file cannot be mapped. False after a
// failure, reported.
bool feedMapped(std::FILE* file, const std::string& shownName, Output& output)
{
    const int fd = fileno(file);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 || ::lseek(fd, 0, SEEK_CUR) != 0)
        return true;
    shrankLength = std::size_t(std::snprintf(shrankMessage, sizeof shrankMessage,
                                             "%.*s: %.900s: the file shrank while it was being read\n",
                                             int(Program.size()), Program.data(), shownName.c_str()));
    std::signal(SIGBUS, onFileShrank);
#ifdef MAP_POPULATE
    constexpr int flags = MAP_PRIVATE | MAP_POPULATE;
#else
    constexpr int flags = MAP_PRIVATE;
#endif
    off_t at = 0;
    while (at < info.st_size) {
        const auto length = std::size_t(std::min<off_t>(off_t(MapSize), info.st_size - at));
        void* window = ::mmap(nullptr, length, PROT_READ, flags, fd, at);
        if (window == MAP_FAILED)
            break;
        bool written = true;
        for (std::size_t done = 0; written && done < length; done += ReadSize)
            written = output.feed(static_cast<const char*>(window) + done, std::min(ReadSize, length - done));
        ::munmap(window, length);
        if (!written)
            return false;
        at += off_t(length);
    }
    std::signal(SIGBUS, SIG_DFL);
    if (::fseeko(file, at, SEEK_SET) == 0)
        return true;
    complain(shownName, errno);
    return false;
}
#endif

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#else
    // A reader that goes away is a write error to report, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
#endif

    tagwell::CheckState state = tagwell::CheckState::Checked;
    std::vector<std::string> names;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg == "-" || !arg.starts_with('-')) {
            names.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--keep-pre") {
            state = tagwell::CheckState::Unchecked;
        } else if (arg == "--help") {
            std::fwrite(Usage.data(), 1, Usage.size(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        } else if (arg == "--version") {
            std::puts("tagwell-convert " TAGWELL_VERSION_SHORT);
            return std::fflush(stdout) == 0 ? 0 : 1;
        } else {
            std::fprintf(stderr, "%.*s: unknown option '%s'\n%.*s", int(Program.size()), Program.data(), argv[i],
                         int(Usage.size()), Usage.data());
            return 2;
        }
    }
    if (names.empty())
        names.emplace_back("-");

    std::vector<std::unique_ptr<std::FILE, FileCloser>> files;
    for (const auto& name : names) {
        std::FILE* file = openInput(name);
        if (file == nullptr)
            return 1;
        files.emplace_back(file);
    }

    // Blocks are written whole, so stdio's own buffer would only add a copy.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    widenPipe(stdout);
    widenPipe(stdin);

    Output output(state);
    std::vector<char> in(ReadSize);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string shownName = names[i] == "-" ? "standard input" : names[i];
#ifdef TAGWELL_MAP_INPUT
        if (!feedMapped(files[i].get(), shownName, output))
            return 1;
#endif
        if (!feedRead(files[i].get(), shownName, in, output))
            return 1;
    }
    return output.finish() ? 0 : 1;
}
