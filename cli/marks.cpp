#include "cli/marks.h"

#include <algorithm>
#include <cstring>

namespace cli {

namespace {

struct Known {
    Mark mark;
    std::string_view bytes;
    std::string_view name;
};

// Longest first, so that the first full match is the answer.
constexpr Known Marks[] = {
    {Mark::Utf32LE, std::string_view("\xFF\xFE\0\0", 4), "UTF-32LE"},
    {Mark::Utf32BE, std::string_view("\0\0\xFE\xFF", 4), "UTF-32BE"},
    {Mark::Utf8, "\xEF\xBB\xBF", "UTF-8"},
    {Mark::Utf16LE, "\xFF\xFE", "UTF-16LE"},
    {Mark::Utf16BE, "\xFE\xFF", "UTF-16BE"},
};

const Known* find(Mark mark)
{
    for (const auto& known : Marks)
        if (known.mark == mark)
            return &known;
    return nullptr;
}

std::string hex(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (!text.empty())
            text += ' ';
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

std::string describe(Mark mark)
{
    const Known* known = find(mark);
    if (known == nullptr)
        return "none";
    return std::string(known->name) + " (" + hex(known->bytes) + ")";
}

} // namespace

MarkGuess guessMark(const unsigned char* bytes, std::size_t size, bool whole)
{
    const std::string_view seen(reinterpret_cast<const char*>(bytes), std::min(size, MarkMaxSize));
    if (!whole && seen.size() < MarkMaxSize) {
        for (const auto& known : Marks)
            if (known.bytes.size() > seen.size() && known.bytes.starts_with(seen))
                return {};
    }
    for (const auto& known : Marks)
        if (seen.starts_with(known.bytes))
            return {true, known.mark, known.bytes.size()};
    return {true, Mark::None, 0};
}

std::string_view markBytes(Mark mark)
{
    const Known* known = find(mark);
    return known != nullptr ? known->bytes : std::string_view();
}

bool isUtf16(Mark mark)
{
    return mark == Mark::Utf16LE || mark == Mark::Utf16BE;
}

bool isUtf32(Mark mark)
{
    return mark == Mark::Utf32LE || mark == Mark::Utf32BE;
}

std::string utf32Refused(Mark mark)
{
    return "the text is in UTF-32 (byte order mark " + hex(markBytes(mark)) +
           "), which tagwell-convert does not convert; convert it to UTF-8 or UTF-16 first";
}

std::string marksDiffer(Mark first, Mark later)
{
    return "its byte order mark, " + describe(later) + ", differs from the first input's, " + describe(first);
}

std::string_view oddUtf16()
{
    return "the UTF-16 text ends in half a character (an odd number of bytes)";
}

} // namespace cli
