// The conversion of a text into a verbatim HTML fragment: the whole-text
// function, the single replace-all it is defined by, and a streaming form for
// texts that arrive in blocks. Written once for any character type: char16_t
// for the window's text and char for the command line's bytes.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TAGWELL_SSE2 1
#endif

namespace tagwell {

// State of the "remove pre tags" box, with the values a check box state has
// always had in this program's terms: only Checked removes the tags. A class
// of its own, so that a toolkit's check state (where Checked is 2) cannot
// pass for it.
enum class CheckState : std::int16_t { Unchecked = 0, Checked = 1, Grayed = 2 };

namespace literals {
inline constexpr std::string_view OpenTag = "<pre>";
inline constexpr std::string_view CloseTag = "</pre>";
inline constexpr std::string_view LessThan = "<";
inline constexpr std::string_view LessThanEntity = "&lt;";
inline constexpr std::string_view GreaterThan = ">";
inline constexpr std::string_view GreaterThanEntity = "&gt;";
} // namespace literals

// Widens one of the ASCII literals above to the text's character type.
template <class Ch> std::basic_string<Ch> widen(std::string_view ascii)
{
    return std::basic_string<Ch>(ascii.begin(), ascii.end());
}

// Every occurrence of `from` replaced by `to`, searched left to right; the
// search resumes after each match, so matches never overlap and inserted text
// is never searched again. An empty `from` leaves the text as it is. Both are
// ASCII, widened to the text's character type. The output is sized once.
template <class Ch>
std::basic_string<Ch> replaceAll(std::basic_string_view<Ch> text, std::string_view from, std::string_view to)
{
    if (from.empty())
        return std::basic_string<Ch>(text);
    const auto pattern = widen<Ch>(from);
    std::size_t matches = 0;
    for (auto pos = text.find(pattern); pos != text.npos; pos = text.find(pattern, pos + pattern.size()))
        ++matches;
    std::basic_string<Ch> out;
    out.reserve(text.size() - matches * from.size() + matches * to.size());
    std::size_t start = 0;
    for (auto pos = text.find(pattern); pos != text.npos; pos = text.find(pattern, start)) {
        out.append(text.substr(start, pos - start)).append(to.begin(), to.end());
        start = pos + pattern.size();
    }
    out.append(text.substr(start));
    return out;
}

namespace detail {

// '<' (0x3C) and '>' (0x3E) differ only in bit 1, so one comparison finds both.
template <class Ch> constexpr bool isSign(Ch c)
{
    return Ch(c | Ch(2)) == Ch(0x3E);
}

#ifdef TAGWELL_SSE2
// Bit i*sizeof(Ch) set for each sign among the 16 bytes of `block`.
template <class Ch> inline unsigned signMask(__m128i block)
{
    static_assert(sizeof(Ch) == 1 || sizeof(Ch) == 2);
    const __m128i v = _mm_or_si128(block, sizeof(Ch) == 1 ? _mm_set1_epi8(2) : _mm_set1_epi16(2));
    const __m128i eq =
        sizeof(Ch) == 1 ? _mm_cmpeq_epi8(v, _mm_set1_epi8(0x3E)) : _mm_cmpeq_epi16(v, _mm_set1_epi16(0x3E));
    return unsigned(_mm_movemask_epi8(eq));
}

template <class Ch> inline unsigned signMask(const Ch* p)
{
    return signMask<Ch>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
#endif

template <class Ch> std::size_t countSigns(const Ch* p, const Ch* end)
{
    std::size_t count = 0;
#ifdef TAGWELL_SSE2
    constexpr std::ptrdiff_t lanes = 16 / sizeof(Ch);
    for (; end - p >= lanes; p += lanes)
        count += std::size_t(std::popcount(signMask(p))) / sizeof(Ch);
#endif
    return count + std::size_t(std::count_if(p, end, isSign<Ch>));
}

} // namespace detail

// The conversion as a filter over a text cut into blocks of any size. Its
// output, concatenated, is exactly convertText() of the concatenated input.
//
// Removing the tags is two passes in a row, "<pre>" first and then "</pre>"
// over what the first pass left; each pass holds back the start of a tag that
// may still be completing in the next character. Neither tag has a '<' past
// its first character, so a mismatch can only start a new tag at the
// character that broke the old one.
template <class Ch> class StreamConverter {
public:
    explicit StreamConverter(CheckState state) : removeTags_(state == CheckState::Checked) {}

    // Room past the written output that feed() may scribble on.
    static constexpr std::size_t Slack = 16 / sizeof(Ch);

    // The room that any one of the calls below needs for `n` characters of
    // input, Slack included.
    static constexpr std::size_t maxOutput(std::size_t n)
    {
        return 4 * (n + literals::OpenTag.size() + literals::CloseTag.size()) + Slack;
    }

    Ch* start(Ch* out) { return put(literals::OpenTag, out); }

    Ch* feed(const Ch* in, std::size_t n, Ch* out)
    {
        const Ch* end = in + n;
        if (!removeTags_)
            return copyEscaped(in, end, out, false);
        while (in != end) {
            if (openMatched_ == 0 && closeMatched_ == 0) {
                out = copyEscaped(in, end, out, true);
                if (in == end)
                    break;
                // A '<' that no tag can start here, nor end in a tag that
                // removing "<pre>" brings together, is only escaped: most of
                // them, in source code.
                if (end - in >= 2 && in[1] != Ch('p') && in[1] != Ch('/') && in[1] != Ch('<')) {
                    out = put(literals::LessThanEntity, out);
                    ++in;
                    continue;
                }
            }
            out = removeOpenTag(*in++, out);
        }
        return out;
    }

    Ch* finish(Ch* out)
    {
        out = flushOpenTag(out);
        out = flushCloseTag(out);
        return put(literals::CloseTag, out);
    }

private:
    static Ch* put(std::string_view ascii, Ch* out) { return std::copy(ascii.begin(), ascii.end(), out); }

    static Ch* escape(Ch c, Ch* out)
    {
        if (c == Ch('<'))
            return put(literals::LessThanEntity, out);
        if (c == Ch('>'))
            return put(literals::GreaterThanEntity, out);
        *out++ = c;
        return out;
    }

    // Copies [in, end) escaping both signs; with stopAtLessThan, stops at the
    // first '<' (which may begin a tag) and leaves `in` on it. Source code has
    // few signs, so the text moves sixteen bytes at a time: each block is
    // stored whole and `out` advanced only past the characters before the
    // first sign, which is why the output needs Slack units past its end.
    static Ch* copyEscaped(const Ch*& in, const Ch* end, Ch* out, bool stopAtLessThan)
    {
#ifdef TAGWELL_SSE2
        constexpr std::ptrdiff_t lanes = 16 / sizeof(Ch);
        while (end - in >= lanes) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
            const unsigned mask = detail::signMask<Ch>(block);
            if (mask == 0) {
                in += lanes;
                out += lanes;
                continue;
            }
            const auto before = std::countr_zero(mask) / sizeof(Ch);
            in += before;
            out += before;
            if (*in == Ch('<') && stopAtLessThan)
                return out;
            out = escape(*in++, out);
        }
#endif
        for (; in != end; ++in) {
            if (*in == Ch('<') && stopAtLessThan)
                return out;
            out = escape(*in, out);
        }
        return out;
    }

    Ch* removeOpenTag(Ch c, Ch* out)
    {
        constexpr auto tag = literals::OpenTag;
        if (openMatched_ > 0) {
            if (c == Ch(tag[openMatched_])) {
                if (++openMatched_ == tag.size())
                    openMatched_ = 0;
                return out;
            }
            out = flushOpenTag(out);
        }
        if (c == Ch(tag[0])) {
            openMatched_ = 1;
            return out;
        }
        return removeCloseTag(c, out);
    }

    Ch* removeCloseTag(Ch c, Ch* out)
    {
        constexpr auto tag = literals::CloseTag;
        if (closeMatched_ > 0) {
            if (c == Ch(tag[closeMatched_])) {
                if (++closeMatched_ == tag.size())
                    closeMatched_ = 0;
                return out;
            }
            out = flushCloseTag(out);
        }
        if (c == Ch(tag[0])) {
            closeMatched_ = 1;
            return out;
        }
        return escape(c, out);
    }

    // The held-back start of an opening tag turned out not to be one: it goes
    // on to the closing-tag pass, as the first pass would have left it.
    Ch* flushOpenTag(Ch* out)
    {
        const std::size_t held = std::exchange(openMatched_, 0);
        for (std::size_t i = 0; i < held; ++i)
            out = removeCloseTag(Ch(literals::OpenTag[i]), out);
        return out;
    }

    Ch* flushCloseTag(Ch* out)
    {
        const std::size_t held = std::exchange(closeMatched_, 0);
        for (std::size_t i = 0; i < held; ++i)
            out = escape(Ch(literals::CloseTag[i]), out);
        return out;
    }

    bool removeTags_;
    std::size_t openMatched_ = 0;
    std::size_t closeMatched_ = 0;
};

// The final text of the conversion, computed in one pass into an output that
// is allocated once: tags removed (only when `state` is Checked), "<" and ">"
// escaped, the whole wrapped in "<pre>" … "</pre>".
template <class Ch> std::basic_string<Ch> convertText(std::basic_string_view<Ch> text, CheckState state)
{
    const std::size_t signs = detail::countSigns(text.data(), text.data() + text.size());
    std::basic_string<Ch> out(text.size() + 3 * signs + literals::OpenTag.size() + literals::CloseTag.size() +
                                  StreamConverter<Ch>::Slack,
                              Ch());
    StreamConverter<Ch> converter(state);
    Ch* end = converter.start(out.data());
    end = converter.feed(text.data(), text.size(), end);
    end = converter.finish(end);
    out.resize(static_cast<std::size_t>(end - out.data()));
    return out;
}

} // namespace tagwell
