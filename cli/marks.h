// Byte order marks: which one a text begins with, judged on its first bytes,
// and how the marks of several inputs must agree.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cli {

enum class Mark { None, Utf8, Utf16LE, Utf16BE, Utf32LE, Utf32BE };

// The most bytes any mark takes.
inline constexpr std::size_t MarkMaxSize = 4;

struct MarkGuess {
    bool decided = false;   // false: more bytes could still change the answer
    Mark mark = Mark::None; // when decided
    std::size_t size = 0;   // the mark's length in bytes
};

// The mark at the start of `bytes`; `whole` when the input holds no more
// than these. FF FE 00 00 is UTF-32, not UTF-16 followed by a NUL.
MarkGuess guessMark(const unsigned char* bytes, std::size_t size, bool whole);

std::string_view markBytes(Mark mark);
bool isUtf16(Mark mark);
bool isUtf32(Mark mark);

// The messages, the same whether the fault is seen before anything is
// written or at the input's turn.
std::string utf32Refused(Mark mark);
std::string marksDiffer(Mark first, Mark later);
std::string_view oddUtf16();

} // namespace cli
