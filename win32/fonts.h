// The font of the window's controls: the system's message font at the
// window's DPI when it has a glyph for every character of the captions and
// the title; otherwise a font of the system that has them all (Microsoft
// YaHei UI, SimSun, else the first installed family that covers them), at
// the same height. Without that, a system whose message font lacks Chinese
// (wine in the C locale) shows each caption as a row of empty boxes.
#pragma once

#include <windows.h>

#include <span>
#include <string_view>

namespace tagwell::win32 {

class Font {
public:
    explicit Font(HFONT font = nullptr) : font_(font) {}
    Font(Font&& other) noexcept : font_(other.release()) {}
    Font& operator=(Font&& other) noexcept;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font();

    HFONT get() const { return font_; }
    HFONT release();

private:
    HFONT font_;
};

// The message font as the system gives it at `dpi`.
LOGFONTW messageFont(int dpi);
Font systemMessageFont(int dpi);

// Whether `font` has a glyph of its own for every character of `texts`.
bool covers(HFONT font, std::span<const std::u16string_view> texts);

Font fontFor(std::span<const std::u16string_view> texts, int dpi);

} // namespace tagwell::win32
