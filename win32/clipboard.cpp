#include "win32/clipboard.h"

#include <cstring>
#include <cwchar>

namespace tagwell::win32 {

namespace {

// The clipboard open for as long as it lives, if it could be opened in time.
class OpenClipboard {
public:
    OpenClipboard(HWND owner, Failure failure)
    {
        const auto deadline = std::chrono::steady_clock::now() + WindowsClipboard::Patience;
        while (!::OpenClipboard(owner)) {
            if (std::chrono::steady_clock::now() >= deadline)
                throw PlatformError(failure);
            Sleep(15);
        }
    }
    ~OpenClipboard() { CloseClipboard(); }
    OpenClipboard(const OpenClipboard&) = delete;
    OpenClipboard& operator=(const OpenClipboard&) = delete;
};

class Locked {
public:
    explicit Locked(HGLOBAL memory) : memory_(memory), data_(GlobalLock(memory)) {}
    ~Locked()
    {
        if (data_ != nullptr)
            GlobalUnlock(memory_);
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    void* data() const { return data_; }

private:
    HGLOBAL memory_;
    void* data_;
};

} // namespace

Text WindowsClipboard::text() const
{
    const OpenClipboard open(owner_, Failure::ClipboardUnreadable);
    // Files, a picture or nothing at all: no text, so an empty one.
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT))
        return {};
    // Offered but not delivered: the program behind it did not answer.
    HANDLE memory = GetClipboardData(CF_UNICODETEXT);
    if (memory == nullptr)
        throw PlatformError(Failure::ClipboardUnreadable);
    const Locked locked(memory);
    if (locked.data() == nullptr)
        throw PlatformError(Failure::ClipboardUnreadable);
    // The text ends at its terminator, which a careless writer may have left
    // out: never read past the block.
    const auto* chars = static_cast<const char16_t*>(locked.data());
    const std::size_t room = GlobalSize(memory) / sizeof(char16_t);
    std::size_t length = 0;
    while (length < room && chars[length] != u'\0')
        ++length;
    return Text(chars, length);
}

void WindowsClipboard::setText(const Text& text)
{
    const OpenClipboard open(owner_, Failure::ClipboardUnwritable);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t));
    if (memory == nullptr)
        throw PlatformError(Failure::ClipboardUnwritable);
    {
        const Locked locked(memory);
        if (locked.data() == nullptr) {
            GlobalFree(memory);
            throw PlatformError(Failure::ClipboardUnwritable);
        }
        std::memcpy(locked.data(), text.c_str(), (text.size() + 1) * sizeof(char16_t));
    }
    if (!EmptyClipboard() || SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        GlobalFree(memory);
        throw PlatformError(Failure::ClipboardUnwritable);
    }
}

} // namespace tagwell::win32
