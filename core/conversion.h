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

#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TAGWELL_SSE2 1
#endif
// Where the compiler can target AVX2 for one function (GCC and clang on x86),
// the streaming converter takes 32 bytes a step on processors that have it,
// chosen once at run time; the SSE2 path stays for the others (and for all,
// built with -DTAGWELL_NO_AVX2, which tests it on a processor with AVX2).
#if defined(TAGWELL_SSE2) && defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__)) &&                   \
    !defined(TAGWELL_NO_AVX2)
#include <immintrin.h>
#define TAGWELL_AVX2 1
#define TAGWELL_TARGET_AVX2 __attribute__((target("avx2")))
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

// The vector widths the streaming converter runs on. Each copies one block of
// Bytes bytes from `in` to `out` as it is and gives the block's sign mask.
struct NoVector {
    static constexpr std::size_t Bytes = 0;
};

#ifdef TAGWELL_SSE2
struct Sse2 {
    static constexpr std::size_t Bytes = 16;
    template <class Ch> static unsigned copyBlock(const Ch* in, Ch* out)
    {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
        return signMask<Ch>(block);
    }

    // 64 bytes at once: copies them and gives the masks of their signs, of
    // their '<' and of the '<' that may start a tag.
    template <class Ch> static void copyChunk(const Ch* in, Ch* out)
    {
        for (int i = 0; i < 4; ++i)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out) + i,
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(in) + i));
    }
    template <class Ch> static std::uint64_t maskOf(const Ch* in, int c)
    {
        std::uint64_t mask = 0;
        for (int i = 0; i < 4; ++i) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in) + i);
            const __m128i eq = sizeof(Ch) == 1 ? _mm_cmpeq_epi8(v, _mm_set1_epi8(char(c)))
                                               : _mm_cmpeq_epi16(v, _mm_set1_epi16(short(c)));
            mask |= std::uint64_t(unsigned(_mm_movemask_epi8(eq))) << (16 * i);
        }
        return mask;
    }
    template <class Ch> static std::uint64_t signsOf(const Ch* in)
    {
        std::uint64_t mask = 0;
        for (int i = 0; i < 4; ++i)
            mask |= std::uint64_t(signMask<Ch>(in + i * 16 / sizeof(Ch))) << (16 * i);
        return mask;
    }
};
#endif

#ifdef TAGWELL_AVX2
struct Avx2 {
    static constexpr std::size_t Bytes = 32;
    template <class Ch> TAGWELL_TARGET_AVX2 static unsigned copyBlock(const Ch* in, Ch* out)
    {
        const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), block);
        __m256i eq;
        if constexpr (sizeof(Ch) == 1)
            eq = _mm256_cmpeq_epi8(_mm256_or_si256(block, _mm256_set1_epi8(2)), _mm256_set1_epi8(0x3E));
        else
            eq = _mm256_cmpeq_epi16(_mm256_or_si256(block, _mm256_set1_epi16(2)), _mm256_set1_epi16(0x3E));
        return unsigned(_mm256_movemask_epi8(eq));
    }

    template <class Ch> TAGWELL_TARGET_AVX2 static void copyChunk(const Ch* in, Ch* out)
    {
        const auto* from = reinterpret_cast<const __m256i*>(in);
        auto* to = reinterpret_cast<__m256i*>(out);
        _mm256_storeu_si256(to, _mm256_loadu_si256(from));
        _mm256_storeu_si256(to + 1, _mm256_loadu_si256(from + 1));
    }
    template <class Ch> TAGWELL_TARGET_AVX2 static std::uint64_t maskOf(const Ch* in, int c)
    {
        const auto* from = reinterpret_cast<const __m256i*>(in);
        std::uint64_t mask = 0;
        for (int i = 0; i < 2; ++i) {
            const __m256i v = _mm256_loadu_si256(from + i);
            const __m256i eq = sizeof(Ch) == 1 ? _mm256_cmpeq_epi8(v, _mm256_set1_epi8(char(c)))
                                               : _mm256_cmpeq_epi16(v, _mm256_set1_epi16(short(c)));
            mask |= std::uint64_t(unsigned(_mm256_movemask_epi8(eq))) << (32 * i);
        }
        return mask;
    }
    template <class Ch> TAGWELL_TARGET_AVX2 static std::uint64_t signsOf(const Ch* in)
    {
        const auto* from = reinterpret_cast<const __m256i*>(in);
        const __m256i two = sizeof(Ch) == 1 ? _mm256_set1_epi8(2) : _mm256_set1_epi16(2);
        const __m256i greater = sizeof(Ch) == 1 ? _mm256_set1_epi8(0x3E) : _mm256_set1_epi16(0x3E);
        std::uint64_t mask = 0;
        for (int i = 0; i < 2; ++i) {
            const __m256i v = _mm256_or_si256(_mm256_loadu_si256(from + i), two);
            const __m256i eq = sizeof(Ch) == 1 ? _mm256_cmpeq_epi8(v, greater) : _mm256_cmpeq_epi16(v, greater);
            mask |= std::uint64_t(unsigned(_mm256_movemask_epi8(eq))) << (32 * i);
        }
        return mask;
    }
};

// Asked once per process: the answer cannot change while it runs.
inline bool hasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

#if defined(TAGWELL_SSE2)
using BaseVector = Sse2;
#else
using BaseVector = NoVector;
#endif

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

    // Room past the written output that feed() may scribble on: one chunk of
    // 64 bytes.
    static constexpr std::size_t Slack = 64 / sizeof(Ch);

    // The room that any one of the calls below needs for `n` characters of
    // input, Slack included.
    static constexpr std::size_t maxOutput(std::size_t n)
    {
        return 4 * (n + literals::OpenTag.size() + literals::CloseTag.size()) + Slack;
    }

    Ch* start(Ch* out) { return put(literals::OpenTag, out); }

    Ch* feed(const Ch* in, std::size_t n, Ch* out)
    {
#ifdef TAGWELL_AVX2
        if (detail::hasAvx2())
            return feedAvx2(in, n, out);
#endif
        return feedWith<detail::BaseVector>(in, n, out);
    }

    // Writes the held-back start of a tag as the text it is, as if the text
    // ended here, but without the closing tag: for a text cut short (an
    // interrupted program writing what it has).
    Ch* release(Ch* out)
    {
        out = flushOpenTag(out);
        return flushCloseTag(out);
    }

    Ch* finish(Ch* out) { return put(literals::CloseTag, release(out)); }

private:
    static Ch* put(std::string_view ascii, Ch* out) { return std::copy(ascii.begin(), ascii.end(), out); }

#ifdef TAGWELL_AVX2
    TAGWELL_TARGET_AVX2 Ch* feedAvx2(const Ch* in, std::size_t n, Ch* out)
    {
        return feedWith<detail::Avx2>(in, n, out);
    }
#endif

    template <class Vector> [[gnu::always_inline]] inline Ch* feedWith(const Ch* in, std::size_t n, Ch* out)
    {
        const Ch* end = in + n;
        while (in != end) {
            if (openMatched_ == 0 && closeMatched_ == 0) {
                out = copyChunks<Vector>(in, end, out);
                if (in == end)
                    break;
            }
            out = removeOpenTag(*in++, out);
        }
        return out;
    }

    // "&lt;" or "&gt;" for a sign, without a branch: the two differ only in
    // their second character.
    static Ch* putEntity(Ch c, Ch* out)
    {
        static constexpr Ch lessThan[4] = {Ch('&'), Ch('l'), Ch('t'), Ch(';')};
        std::memcpy(out, lessThan, sizeof lessThan);
        out[1] = Ch(Ch('g') + Ch(c == Ch('<')) * Ch('l' - 'g'));
        return out + 4;
    }

    // The main loop: 64 bytes a step. A step with signs escapes each of them
    // in turn by the masks, without going back to the vectors, and stops at
    // the first '<' that may begin a tag (one followed by 'p', '/' or '<',
    // or the chunk's last character, whose next one is not in view). Leaves
    // the last two chunks' worth to copyEscaped, so that every copy reads
    // within the input.
    template <class Vector> [[gnu::always_inline]] inline Ch* copyChunks(const Ch*& in, const Ch* end, Ch* out)
    {
        if constexpr (Vector::Bytes > 0) {
            constexpr std::ptrdiff_t chunk = 64 / sizeof(Ch);
            constexpr unsigned width = sizeof(Ch);
            const bool removeTags = removeTags_;
            while (end - in >= 2 * chunk) {
                std::uint64_t signs = Vector::signsOf(in);
                if (signs == 0) {
                    Vector::copyChunk(in, out);
                    in += chunk;
                    out += chunk;
                    continue;
                }
                // Worked out whether or not the chunk has a '<': a branch on
                // that would be mispredicted about as often as taken.
                std::uint64_t stops = 0;
                if (removeTags) {
                    const std::uint64_t lessThan = Vector::maskOf(in, '<');
                    const std::uint64_t next = Vector::maskOf(in, 'p') | Vector::maskOf(in, '/') | lessThan;
                    stops = lessThan & ((next >> width) | (std::uint64_t(sizeof(Ch) == 1 ? 1 : 3) << (64 - width)));
                }
                std::size_t done = 0; // characters of the chunk written
                do {
                    const auto at = std::size_t(std::countr_zero(signs)) / width;
                    Vector::copyChunk(in + done, out);
                    out += at - done;
                    const std::uint64_t bit = std::uint64_t(1) << (at * width);
                    if (stops & bit) {
                        in += at;
                        return out;
                    }
                    out = putEntity(in[at], out);
                    done = at + 1;
                    signs &= ~((bit << width) - 1);
                } while (signs != 0);
                Vector::copyChunk(in + done, out);
                out += chunk - std::ptrdiff_t(done);
                in += chunk;
            }
        }
        return copyEscaped<Vector>(in, end, out);
    }

    static Ch* escape(Ch c, Ch* out)
    {
        if (detail::isSign(c))
            return putEntity(c, out);
        *out++ = c;
        return out;
    }

    // A '<' that may begin a tag, or end in one that removing "<pre>" brings
    // together; any other is only escaped: most of them, in source code.
    static bool mayStartTag(const Ch* in, const Ch* end)
    {
        return end - in < 2 || in[1] == Ch('p') || in[1] == Ch('/') || in[1] == Ch('<');
    }

    // Copies [in, end) escaping both signs; when tags are removed, stops at
    // the first '<' that may begin one and leaves `in` on it. Source code has
    // few signs, so the text moves a vector block at a time: each block is
    // stored whole and `out` advanced only past the characters before the
    // first sign, which is why the output needs Slack units past its end.
    template <class Vector> [[gnu::always_inline]] inline Ch* copyEscaped(const Ch*& in, const Ch* end, Ch* out)
    {
        const bool removeTags = removeTags_;
        if constexpr (Vector::Bytes > 0) {
            constexpr std::ptrdiff_t lanes = Vector::Bytes / sizeof(Ch);
            while (end - in >= lanes) {
                const unsigned mask = Vector::copyBlock(in, out);
                if (mask == 0) {
                    in += lanes;
                    out += lanes;
                    continue;
                }
                const auto before = std::size_t(std::countr_zero(mask)) / sizeof(Ch);
                in += before;
                out += before;
                if (*in == Ch('<') && removeTags && mayStartTag(in, end))
                    return out;
                out = putEntity(*in++, out);
            }
        }
        for (; in != end; ++in) {
            if (!detail::isSign(*in)) {
                *out++ = *in;
                continue;
            }
            if (*in == Ch('<') && removeTags && mayStartTag(in, end))
                return out;
            out = putEntity(*in, out);
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
