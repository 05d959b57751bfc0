#include "cli/input.h"

#include "cli/marks.h"

#include <cerrno>
#include <optional>

namespace cli {

namespace {

std::string shownName(NativeView name)
{
    return Options::isStandardInput(name) ? std::string("standard input") : displayName(name);
}

// An input opened, for its turn or for the check: standard input as it is, a
// FILE from its name. False after a message.
bool openInput(NativeView name, const StandardDescriptors& standard, int& fd, bool& owned, bool probe = false)
{
    const std::string shown = shownName(name);
    if (Options::isStandardInput(name)) {
        if (standard.inputClosed) {
            complainErrno(shown, EBADF);
            return false;
        }
        fd = 0;
        owned = false;
        return true;
    }
    if (isDirectory(name)) {
        complainErrno(shown, EISDIR);
        return false;
    }
    fd = openForReading(NativeString(name), probe);
    if (fd < 0) {
        complainErrno(shown, errno);
        return false;
    }
    owned = true;
    return true;
}

} // namespace

bool isTheOutput(const FileInfo& input, std::int64_t position, const FileInfo& output)
{
    return output.regular && input.regular && input.sameFile(output) && position >= 0 &&
           std::uint64_t(position) < input.size;
}

std::string_view isTheOutputMessage()
{
    return "input file is output file";
}

Source::~Source()
{
    if (owned_)
        closeDescriptor(fd_);
}

bool Source::open(NativeView name, const StandardDescriptors& standard, const FileInfo& output)
{
    name_ = shownName(name);
    if (!openInput(name, standard, fd_, owned_))
        return false;
    FileInfo info;
    if (!describe(fd_, info)) {
        complainErrno(name_, errno);
        return false;
    }
    regular_ = info.regular;
    const std::int64_t at = regular_ ? position(fd_) : -1;
    // Checked again at its turn: what was written meanwhile may have made it
    // the output not yet read.
    if (isTheOutput(info, at, output)) {
        complain(name_, isTheOutputMessage());
        return false;
    }
    at_ = at > 0 ? std::uint64_t(at) : 0;
    sizeAtOpen_ = info.size;
    return true;
}

long Source::read(char* data, std::size_t size)
{
    const long got = readSome(fd_, data, size);
    if (got > 0)
        at_ += std::uint64_t(got);
    return got;
}

bool checkInputs(const Options& options, const StandardDescriptors& standard, const FileInfo& output)
{
    // The first mark that decides the text, while it can be known: once a
    // stream comes first, its mark is only seen at its turn.
    std::optional<Mark> first;
    bool firstUnknown = false;
    return options.forEachFile([&](NativeView name) {
        const std::string shown = shownName(name);
        int fd = -1;
        bool owned = false;
        if (!openInput(name, standard, fd, owned, true))
            return false;
        struct Closer {
            int fd;
            bool owned;
            ~Closer()
            {
                if (owned)
                    closeDescriptor(fd);
            }
        } closer{fd, owned};

        FileInfo info;
        if (!describe(fd, info)) {
            complainErrno(shown, errno);
            return false;
        }
        if (!info.regular) {
            firstUnknown = firstUnknown || !first;
            return true;
        }
        const std::int64_t at = position(fd);
        if (isTheOutput(info, at, output)) {
            complain(shown, isTheOutputMessage());
            return false;
        }
        const std::uint64_t left = at >= 0 && std::uint64_t(at) < info.size ? info.size - std::uint64_t(at) : 0;
        if (left == 0)
            return true;
        unsigned char head[MarkMaxSize] = {};
        const long got = owned ? readSome(fd, reinterpret_cast<char*>(head), sizeof head)
                               : readAt(fd, reinterpret_cast<char*>(head), sizeof head, at);
        if (got <= 0) // seen at its turn, if at all
            return true;
        const MarkGuess guess = guessMark(head, std::size_t(got), left <= std::uint64_t(got));
        if (!guess.decided)
            return true;
        if (isUtf32(guess.mark)) {
            complain(shown, utf32Refused(guess.mark));
            return false;
        }
        if (firstUnknown)
            return true;
        if (!first) {
            first = guess.mark;
        } else if (guess.mark != Mark::None && guess.mark != *first) {
            complain(shown, marksDiffer(*first, guess.mark));
            return false;
        }
        if (isUtf16(*first) && left % 2 != 0) {
            complain(shown, oddUtf16());
            return false;
        }
        return true;
    });
}

} // namespace cli
