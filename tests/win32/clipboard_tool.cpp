// tagwell-test-clipboard: another Windows program on the clipboard, for the
// suites under wine, with texts as exact UTF-16 (no line-break translation,
// as text through X would have):
//   tagwell-test-clipboard put FILE   CF_UNICODETEXT from FILE's UTF-16LE
//   tagwell-test-clipboard get FILE   CF_UNICODETEXT to FILE in UTF-16LE; exit 3 without text
//   tagwell-test-clipboard hold MS    holds the clipboard open for MS milliseconds
//                                     ("ready" once it has it)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

bool openClipboard()
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (OpenClipboard(nullptr))
            return true;
        Sleep(10);
    }
    return false;
}

int put(const wchar_t* path)
{
    FILE* in = _wfopen(path, L"rb");
    if (in == nullptr)
        return 2;
    std::vector<char> bytes;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(in);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + sizeof(wchar_t));
    if (memory == nullptr || !openClipboard())
        return 2;
    auto* data = static_cast<char*>(GlobalLock(memory));
    std::memcpy(data, bytes.data(), bytes.size());
    std::memset(data + bytes.size(), 0, sizeof(wchar_t));
    GlobalUnlock(memory);
    const bool done = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    return done ? 0 : 2;
}

int get(const wchar_t* path)
{
    if (!openClipboard())
        return 2;
    HANDLE memory = GetClipboardData(CF_UNICODETEXT);
    if (memory == nullptr) {
        CloseClipboard();
        return 3;
    }
    const auto* text = static_cast<const wchar_t*>(GlobalLock(memory));
    const std::size_t length = wcsnlen(text, GlobalSize(memory) / sizeof(wchar_t));
    FILE* out = _wfopen(path, L"wb");
    const bool written = out != nullptr && std::fwrite(text, sizeof(wchar_t), length, out) == length;
    if (out != nullptr)
        std::fclose(out);
    GlobalUnlock(memory);
    CloseClipboard();
    return written ? 0 : 2;
}

int hold(int milliseconds)
{
    if (!openClipboard())
        return 2;
    std::puts("ready");
    std::fflush(stdout);
    Sleep(DWORD(milliseconds));
    CloseClipboard();
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && std::wcscmp(argv[1], L"put") == 0)
        return put(argv[2]);
    if (argc == 3 && std::wcscmp(argv[1], L"get") == 0)
        return get(argv[2]);
    if (argc == 3 && std::wcscmp(argv[1], L"hold") == 0)
        return hold(_wtoi(argv[2]));
    std::fprintf(stderr, "usage: tagwell-test-clipboard put FILE | get FILE | hold MS\n");
    return 2;
}
