#include "cli/system.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#include <winternl.h>

// FileInternalInformation: the file's index on its volume.
struct FileInternal {
    LARGE_INTEGER index;
};
extern "C" NTSTATUS NTAPI NtQueryInformationFile(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
#else
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace cli {

namespace {

constexpr std::string_view Program = "tagwell-convert";

std::atomic<int> caughtSignal{0};

extern "C" void onInterrupt(int signal)
{
    caughtSignal.store(signal, std::memory_order_relaxed);
}

constexpr int Interrupts[] = {
    SIGINT,
    SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
};

} // namespace

void complain(std::string_view what, std::string_view message)
{
    std::fprintf(stderr, "%.*s: %.*s: %.*s\n", int(Program.size()), Program.data(), int(what.size()), what.data(),
                 int(message.size()), message.data());
}

void complainErrno(std::string_view what, int error)
{
    complain(what, std::strerror(error));
}

int interruption()
{
    return caughtSignal.load(std::memory_order_relaxed);
}

#ifdef _WIN32

std::string displayName(NativeView name)
{
    if (name.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, name.data(), int(name.size()), nullptr, 0, nullptr, nullptr);
    std::string out(std::size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, name.data(), int(name.size()), out.data(), size, nullptr, nullptr);
    return out;
}

StandardDescriptors reserveStandardDescriptors()
{
    bool closed[3] = {};
    for (int fd = 0; fd < 3; ++fd) {
        if (_get_osfhandle(fd) != -1)
            continue;
        closed[fd] = true;
        const int null = _wopen(L"NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
        if (null >= 0 && null != fd) {
            _dup2(null, fd);
            _close(null);
        }
    }
    return {closed[0], closed[1]};
}

void prepareStandardStreams()
{
    _setmode(0, _O_BINARY);
    _setmode(1, _O_BINARY);
    // Messages as on other systems: UTF-8 names, "\n" line ends.
    _setmode(2, _O_BINARY);
}

bool describe(int fd, FileInfo& info)
{
    struct _stat64 st {};
    if (_fstat64(fd, &st) != 0)
        return false;
    info = {};
    info.regular = (st.st_mode & _S_IFMT) == _S_IFREG;
    info.directory = (st.st_mode & _S_IFMT) == _S_IFDIR;
    info.size = std::uint64_t(st.st_size);
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (!info.regular || handle == INVALID_HANDLE_VALUE)
        return true;
    // The file's index asks for no access right, so it comes even for a
    // standard output opened for writing only (where wine gives neither
    // GetFileInformationByHandle nor the volume's serial number).
    IO_STATUS_BLOCK status{};
    FileInternal internal{};
    if (NtQueryInformationFile(handle, &status, &internal, sizeof internal, FILE_INFORMATION_CLASS(6)) == 0) {
        info.node = std::uint64_t(internal.index.QuadPart);
        info.known = true;
    }
    FILE_ID_INFO id{};
    if (GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id))
        info.device = id.VolumeSerialNumber;
    return true;
}

bool isDirectory(NativeView name)
{
    struct _stat64 st {};
    return _wstat64(NativeString(name).c_str(), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFDIR;
}

int openForReading(const NativeString& name, bool)
{
    return _wopen(name.c_str(), _O_RDONLY | _O_BINARY);
}

bool closeDescriptor(int fd)
{
    return _close(fd) == 0;
}

std::int64_t position(int fd)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK)
        return -1;
    return _lseeki64(fd, 0, SEEK_CUR);
}

long readAt(int, char*, std::size_t, std::int64_t)
{
    return -1;
}

long readSome(int fd, char* data, std::size_t size)
{
    return _read(fd, data, unsigned(std::min<std::size_t>(size, 1u << 30)));
}

long writeSome(int fd, const char* data, std::size_t size)
{
    return _write(fd, data, unsigned(std::min<std::size_t>(size, 1u << 30)));
}

void catchInterrupts()
{
    for (const int signal : Interrupts)
        std::signal(signal, onInterrupt);
}

void dieOf(int signal)
{
    std::fflush(stderr);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}

InterruptBlock::InterruptBlock() : saved_{} {}
InterruptBlock::~InterruptBlock() = default;

// Windows starts a thread on an idle processor.
void moveToAnotherProcessor(std::thread&) {}
void runAnywhere() {}

bool wouldWait(int fd)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    switch (GetFileType(handle)) {
    case FILE_TYPE_PIPE: {
        DWORD available = 0;
        return PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr) && available == 0;
    }
    case FILE_TYPE_CHAR:
        return true;
    default:
        return false;
    }
}

bool waitForInput(int)
{
    return interruption() == 0;
}

#else

std::string displayName(NativeView name)
{
    return std::string(name);
}

StandardDescriptors reserveStandardDescriptors()
{
    bool closed[3] = {};
    for (int fd = 0; fd < 3; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        closed[fd] = true;
        // The lowest free descriptor is this one, since those below are open.
        const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null != fd && null >= 0)
            ::close(null);
    }
    return {closed[0], closed[1]};
}

void prepareStandardStreams()
{
    std::signal(SIGPIPE, SIG_IGN);
#if defined(F_SETPIPE_SZ)
    // A pipe's default 64 KiB makes reader and writer take turns too often
    // on a big text; a megabyte lets each side run a block at a time. (Not a
    // pipe, or over the user's limit: it stays as it is.)
    for (int fd = 0; fd < 2; ++fd)
        ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
#endif
}

bool describe(int fd, FileInfo& info)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    info = {};
    info.regular = S_ISREG(st.st_mode);
    info.directory = S_ISDIR(st.st_mode);
    info.size = info.regular && st.st_size > 0 ? std::uint64_t(st.st_size) : 0;
    info.device = std::uint64_t(st.st_dev);
    info.node = std::uint64_t(st.st_ino);
    info.known = true;
    return true;
}

bool isDirectory(NativeView name)
{
    struct stat st {};
    return ::stat(NativeString(name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int openForReading(const NativeString& name, bool probe)
{
    return ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | (probe ? O_NONBLOCK : 0));
}

bool closeDescriptor(int fd)
{
    return ::close(fd) == 0;
}

std::int64_t position(int fd)
{
    return std::int64_t(::lseek(fd, 0, SEEK_CUR));
}

long readAt(int fd, char* data, std::size_t size, std::int64_t offset)
{
    for (;;) {
        const auto got = ::pread(fd, data, size, off_t(offset));
        if (got >= 0 || errno != EINTR)
            return long(got);
    }
}

long readSome(int fd, char* data, std::size_t size)
{
    return long(::read(fd, data, size));
}

long writeSome(int fd, const char* data, std::size_t size)
{
    return long(::write(fd, data, size));
}

void catchInterrupts()
{
    for (const int signal : Interrupts) {
        struct sigaction old {};
        ::sigaction(signal, nullptr, &old);
        // A signal ignored by whoever started the program (nohup) stays so.
        if (old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        // No SA_RESTART: a read that waits returns, so the program can stop.
        action.sa_flags = 0;
        ::sigaction(signal, &action, nullptr);
    }
}

void dieOf(int signal)
{
    std::fflush(stderr);
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);
}

namespace {
sigset_t interruptSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : Interrupts)
        sigaddset(&set, signal);
    return set;
}
} // namespace

static_assert(sizeof(sigset_t) <= 128);

InterruptBlock::InterruptBlock() : saved_{}
{
    const sigset_t set = interruptSet();
    ::pthread_sigmask(SIG_BLOCK, &set, reinterpret_cast<sigset_t*>(saved_));
}

InterruptBlock::~InterruptBlock()
{
    ::pthread_sigmask(SIG_SETMASK, reinterpret_cast<const sigset_t*>(saved_), nullptr);
}

void moveToAnotherProcessor(std::thread& thread)
{
    cpu_set_t others;
    CPU_ZERO(&others);
    const int here = ::sched_getcpu();
    if (here < 0 || ::sched_getaffinity(0, sizeof others, &others) != 0)
        return;
    CPU_CLR(here, &others);
    if (CPU_COUNT(&others) > 0)
        ::pthread_setaffinity_np(thread.native_handle(), sizeof others, &others);
}

void runAnywhere()
{
    // The main thread's processors: the ones the program was given.
    cpu_set_t all;
    CPU_ZERO(&all);
    if (::sched_getaffinity(::getpid(), sizeof all, &all) == 0)
        ::sched_setaffinity(0, sizeof all, &all);
}

bool wouldWait(int fd)
{
    pollfd ready{fd, POLLIN, 0};
    return ::poll(&ready, 1, 0) == 0;
}

bool waitForInput(int fd)
{
    // The interrupts are held off between the last look at the flag and the
    // wait, which lets them in: one that comes in between ends the wait.
    const sigset_t set = interruptSet();
    sigset_t open;
    ::pthread_sigmask(SIG_BLOCK, &set, &open);
    bool interrupted = interruption() != 0;
    if (!interrupted) {
        pollfd ready{fd, POLLIN, 0};
        ::ppoll(&ready, 1, nullptr, &open);
        interrupted = interruption() != 0;
    }
    ::pthread_sigmask(SIG_SETMASK, &open, nullptr);
    return !interrupted;
}

#endif

} // namespace cli
