#include "win32/fonts.h"

#include "win32/dpi.h"
#include "win32/wide.h"

#include <cwchar>
#include <utility>
#include <vector>

namespace tagwell::win32 {

Font& Font::operator=(Font&& other) noexcept
{
    if (this != &other) {
        if (font_ != nullptr)
            DeleteObject(font_);
        font_ = other.release();
    }
    return *this;
}

Font::~Font()
{
    if (font_ != nullptr)
        DeleteObject(font_);
}

HFONT Font::release()
{
    return std::exchange(font_, nullptr);
}

LOGFONTW messageFont(int dpi)
{
    return nonClientMetrics(dpi).lfMessageFont;
}

Font systemMessageFont(int dpi)
{
    const LOGFONTW font = messageFont(dpi);
    return Font(CreateFontIndirectW(&font));
}

bool covers(HFONT font, std::span<const std::u16string_view> texts)
{
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr)
        return false;
    HGDIOBJ previous = SelectObject(dc, font);
    bool all = true;
    std::vector<WORD> glyphs;
    for (const std::u16string_view text : texts) {
        glyphs.assign(text.size(), 0);
        const std::wstring_view chars = wide(text);
        if (GetGlyphIndicesW(dc, chars.data(), int(chars.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS) ==
            GDI_ERROR) {
            all = false;
            break;
        }
        for (const WORD glyph : glyphs)
            all = all && glyph != 0xFFFF;
        if (!all)
            break;
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    return all;
}

namespace {

Font withFace(LOGFONTW font, const wchar_t* face)
{
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    font.lfFaceName[LF_FACESIZE - 1] = L'\0';
    font.lfCharSet = DEFAULT_CHARSET;
    return Font(CreateFontIndirectW(&font));
}

struct Search {
    LOGFONTW base;
    std::span<const std::u16string_view> texts;
    Font found;
};

int CALLBACK tryFamily(const LOGFONTW* family, const TEXTMETRICW*, DWORD type, LPARAM context)
{
    auto& search = *reinterpret_cast<Search*>(context);
    // Vertical faces ("@SimSun") lie on their side.
    if (family->lfFaceName[0] == L'@' || (type & (TRUETYPE_FONTTYPE | DEVICE_FONTTYPE)) == 0)
        return 1;
    Font candidate = withFace(search.base, family->lfFaceName);
    if (candidate.get() == nullptr || !covers(candidate.get(), search.texts))
        return 1;
    search.found = std::move(candidate);
    return 0;
}

} // namespace

Font fontFor(std::span<const std::u16string_view> texts, int dpi)
{
    const LOGFONTW base = messageFont(dpi);
    Font message(CreateFontIndirectW(&base));
    if (message.get() != nullptr && covers(message.get(), texts))
        return message;
    for (const wchar_t* face : {L"Microsoft YaHei UI", L"SimSun"}) {
        Font named = withFace(base, face);
        if (named.get() != nullptr && covers(named.get(), texts))
            return named;
    }
    // The families that say they write Chinese first: a system has many
    // fonts, and trying each costs start-up time.
    Search search{base, texts, Font()};
    HDC screen = GetDC(nullptr);
    for (const BYTE charset : {BYTE(GB2312_CHARSET), BYTE(DEFAULT_CHARSET)}) {
        LOGFONTW families{};
        families.lfCharSet = charset;
        EnumFontFamiliesExW(screen, &families, tryFamily, reinterpret_cast<LPARAM>(&search), 0);
        if (search.found.get() != nullptr)
            break;
    }
    ReleaseDC(nullptr, screen);
    if (search.found.get() != nullptr)
        return std::move(search.found);
    // Boxes are better than no window at all.
    return message;
}

} // namespace tagwell::win32
