// tagwell-convert: the window's conversion as a filter from files or standard
// input to standard output, in fixed-size blocks so that memory stays the same
// whatever the size of the text.
#include "core/conversion.h"

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
#elif defined(__linux__)
#include <fcntl.h>
#endif

namespace {

constexpr std::string_view Program = "tagwell-convert";
constexpr std::size_t BlockSize = 1024 * 1024;

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
    ::fcntl(fileno(file), F_SETPIPE_SZ, int(BlockSize));
#endif
}

bool writeAll(const char* data, std::size_t size)
{
    if (std::fwrite(data, 1, size, stdout) == size)
        return true;
    complain("write error", errno);
    return false;
}

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

    tagwell::CheckState state = tagwell::Checked;
    std::vector<std::string> names;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg == "-" || !arg.starts_with('-')) {
            names.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--keep-pre") {
            state = tagwell::Unchecked;
        } else if (arg == "--help") {
            std::fwrite(Usage.data(), 1, Usage.size(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        } else if (arg == "--version") {
            std::puts("tagwell-convert 1.0");
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

    using Converter = tagwell::StreamConverter<char>;
    Converter converter(state);
    std::vector<char> in(BlockSize);
    std::vector<char> out(Converter::maxOutput(BlockSize));
    char* end = converter.start(out.data());
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::FILE* file = files[i].get();
        for (;;) {
            const std::size_t got = std::fread(in.data(), 1, in.size(), file);
            end = converter.feed(in.data(), got, end);
            if (!writeAll(out.data(), std::size_t(end - out.data())))
                return 1;
            end = out.data();
            if (got < in.size()) {
                if (std::ferror(file)) {
                    complain(names[i] == "-" ? std::string("standard input") : names[i], errno);
                    return 1;
                }
                break;
            }
        }
    }
    end = converter.finish(end);
    if (!writeAll(out.data(), std::size_t(end - out.data())))
        return 1;
    if (std::fflush(stdout) != 0) {
        complain("write error", errno);
        return 1;
    }
    return 0;
}
