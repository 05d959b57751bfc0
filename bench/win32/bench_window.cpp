// tagwell-bench-window [FILE]: the real Win32 window under wine (or Windows)
// with big texts. Prints one `name value` line per figure, medians of a few
// runs. Each command is timed beside its yardstick in the same run: one
// WM_SETTEXT of the same text into a twin of WenBen (the same class, styles,
// size and font, in a window of its own, so that the document does not see
// it). The in-place costs that the document plans Convert with come from
// here too: one replacement in the control against WM_SETTEXT per character.
#include "core/conversion.h"
#include "report.h"
#include "win32/main_window.h"
#include "win32/wide.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

using namespace tagwell;
using namespace tagwell::win32;

namespace {

constexpr int Runs = 3;

double timeMs(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    // What the work left for the message loop (painting) is part of it.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// UTF-8 to UTF-16, line breaks as CR LF: what a paste from another program
// brings.
Text fromFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "tagwell-bench-window: cannot read %s\n", path);
        std::exit(1);
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::wstring wide(std::size_t(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), int(bytes.size()), nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), int(bytes.size()), wide.data(), int(wide.size()));
    Text text;
    text.reserve(wide.size() + wide.size() / 20);
    for (const wchar_t c : wide) {
        if (c == L'\n' && (text.empty() || text.back() != u'\r'))
            text += u'\r';
        text += char16_t(c);
    }
    return text;
}

Text generated(std::size_t size, std::u16string_view chunk)
{
    Text text;
    text.reserve(size + chunk.size());
    while (text.size() < size)
        text += chunk;
    text.resize(size);
    return text;
}

class Bench {
public:
    Bench() : form_(GetModuleHandleW(nullptr))
    {
        ShowWindow(form_.window(), SW_SHOWNORMAL);
        const HWND wenBen = form_.control(form::Id::WenBen);
        RECT place{};
        GetWindowRect(wenBen, &place);
        twinWindow_ = CreateWindowExW(0, L"STATIC", L"twin", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 0, 600, 400,
                                      nullptr, nullptr, nullptr, nullptr);
        twin_ = CreateWindowExW(DWORD(GetWindowLongPtrW(wenBen, GWL_EXSTYLE)), L"EDIT", L"",
                                DWORD(GetWindowLongPtrW(wenBen, GWL_STYLE)), 0, 0, place.right - place.left,
                                place.bottom - place.top, twinWindow_, nullptr, nullptr, nullptr);
        SendMessageW(twin_, WM_SETFONT, SendMessageW(wenBen, WM_GETFONT, 0, 0), FALSE);
        SendMessageW(twin_, EM_SETLIMITTEXT, 0, 0);
        timeMs([] {});
    }
    ~Bench() { DestroyWindow(twinWindow_); }

    double click(form::Id id)
    {
        const HWND button = form_.control(id);
        return timeMs([&] {
            SendMessageW(form_.window(), WM_COMMAND, MAKEWPARAM(controlId(id), BN_CLICKED),
                         reinterpret_cast<LPARAM>(button));
        });
    }

    double twinSetText(const Text& text)
    {
        const std::wstring shown(wide(text));
        return timeMs([&] { SendMessageW(twin_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown.c_str())); });
    }

    // `count` replacements spread over the text, from the last to the
    // first, as the document makes a Convert's: one repaint for all.
    double twinReplace(std::size_t size, std::size_t count)
    {
        return timeMs([&] {
            for (std::size_t k = count; k > 0; --k) {
                const std::size_t at = size * k / (count + 1);
                SendMessageW(twin_, EM_SETSEL, at, at + 1);
                SendMessageW(twin_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"&lt;"));
            }
        });
    }

    void paste(const Text& text)
    {
        WindowsClipboard(form_.window()).setText(text);
        click(form::Id::ZhanTie);
    }

    // Paste, and Convert beside its yardstick, each run; then the ratio.
    void convert(const char* name, const Text& text)
    {
        const Text result = convertText<char16_t>(text, CheckState::Checked);
        std::vector<double> command, yardstick;
        for (int run = 0; run < Runs; ++run) {
            paste(text);
            command.push_back(click(form::Id::ZhuanHuan));
            twinSetText(text);
            yardstick.push_back(twinSetText(result));
        }
        const std::string prefix(name);
        print((prefix + "_convert_ms").c_str(), median(command));
        print((prefix + "_settext_result_ms").c_str(), median(yardstick));
        print((prefix + "_convert_over_settext").c_str(), median(command) / median(yardstick));
    }

    // One replacement in place against replacing the whole text, per
    // character of it, in a text of `text`'s size and lines.
    void inPlaceCosts(const char* name, const Text& text)
    {
        constexpr std::size_t Batch = 16;
        std::vector<double> whole, one;
        for (int run = 0; run < Runs; ++run) {
            whole.push_back(twinSetText(text));
            one.push_back(twinReplace(text.size(), Batch) / Batch);
        }
        const double perCharacter = median(whole) / double(text.size());
        const std::string prefix(name);
        print((prefix + "_replace_one_ms").c_str(), median(one));
        print((prefix + "_settext_ms").c_str(), median(whole));
        print((prefix + "_characters_per_edit").c_str(), median(one) / perCharacter);
    }

    void pasteAndCopy(const Text& text)
    {
        std::vector<double> paste, copy, yardstick;
        for (int run = 0; run < Runs; ++run) {
            click(form::Id::QingKong); // a Paste of the text it holds would change nothing
            WindowsClipboard(form_.window()).setText(text);
            paste.push_back(click(form::Id::ZhanTie));
            copy.push_back(click(form::Id::FuZhi));
            yardstick.push_back(twinSetText(text));
        }
        print("paste_ms", median(paste));
        print("copy_ms", median(copy));
        print("settext_source_ms", median(yardstick));
        print("paste_over_settext", median(paste) / median(yardstick));
    }

private:
    Form1 form_;
    HWND twinWindow_ = nullptr;
    HWND twin_ = nullptr;
};

} // namespace

int main(int argc, char** argv)
{
    constexpr std::size_t Size = 10 * 1024 * 1024;
    const Text source = argc > 1 ? fromFile(argv[1])
                                 : generated(Size, u"template <typename T> class vector { // a < b && c > d\r\n"
                                                   u"    std::size_t size() const { return end_ - begin_; }\r\n};\r\n");
    std::printf("characters %zu\n", source.size());
    Bench bench;
    bench.pasteAndCopy(source);
    bench.convert("source", source);
    // Few signs: the case that in-place editing is for.
    const Text sparse =
        generated(Size, u"    std::size_t size() const { return end_ - begin_; } // plain text here\r\n") + u"a < b";
    bench.convert("sparse", sparse);
    bench.convert("dense", generated(Size / 4, u"<<>>&<\r\n"));
    bench.inPlaceCosts("lines", source);
    // Lines as long as the document edits in place: each edit lays out its
    // whole line again.
    bench.inPlaceCosts("long_lines", generated(Size / 8, Text(16 * 1024, u'x') + u"\r\n"));
    return 0;
}
