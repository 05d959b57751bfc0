// The one scan behind every form of the conversion. It walks a text, whole or
// in blocks, and tells a sink what becomes of each character: kept, escaped,
// or taken out with a pre tag. The whole-text conversion and the stream have
// a sink that writes the result; the edits in place have one that notes
// where the text changes. Written once for any character type: char16_t for
// the window's text and char for the command line's bytes.
//
// A sink offers, all inline:
//   template <class Vector> void chunk(const Ch* in, std::size_t n);
//       n characters kept; a whole 64-byte chunk may be read from `in`
//   template <class Vector> void block(const Ch* in, std::size_t n);
//       n characters kept; a whole vector block may be read from `in`
//   void kept(Ch c);                                one character kept
//   void sign(Ch c, std::size_t at);                a '<' or '>' escaped
//   void removed(std::size_t start, std::size_t end);  a pre tag taken out
//   void opening(); void closing(std::size_t at);   the wrapping tags
// Positions count characters from the start of the whole text. A sink is a
// small value, cheap to copy: the scan's loop works on a copy of it.
#pragma once

#include <algorithm>
#include <array>
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
// Where the compiler can target AVX2 for one function (GCC and clang on x86),
// the scan takes 32 bytes a step on processors that have it, chosen once at
// run time; the SSE2 path stays for the others (and for all, built with
// -DTAGWELL_NO_AVX2, which tests it on a processor with AVX2).
#if defined(TAGWELL_SSE2) && defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__)) &&                        \
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
inline constexpr std::string_view LessThanEntity = "&lt;";
inline constexpr std::string_view GreaterThanEntity = "&gt;";
} // namespace literals

namespace detail {

// '<' (0x3C) and '>' (0x3E) differ only in bit 1, so one comparison finds both.
template <class Ch> constexpr bool isSign(Ch c)
{
    return Ch(c | Ch(2)) == Ch(0x3E);
}

template <class Ch> constexpr std::string_view entityOf(Ch sign)
{
    return sign == Ch('<') ? literals::LessThanEntity : literals::GreaterThanEntity;
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

// The vector widths the scan runs on. Each finds the signs of one block of
// Bytes bytes, or of a chunk of 64, and copies such a block or chunk for the
// sinks that write.
struct NoVector {
    static constexpr std::size_t Bytes = 0;
};

#ifdef TAGWELL_SSE2
struct Sse2 {
    static constexpr std::size_t Bytes = 16;
    template <class Ch> static unsigned signsOfBlock(const Ch* in) { return signMask<Ch>(in); }
    template <class Ch> static void copyBlock(const Ch* in, Ch* out)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_loadu_si128(reinterpret_cast<const __m128i*>(in)));
    }

    template <class Ch> static void copyChunk(const Ch* in, Ch* out)
    {
        for (int i = 0; i < 4; ++i)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out) + i,
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(in) + i));
    }
    // Bit i*sizeof(Ch) set for each character `c` among the chunk's 64 bytes.
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
    template <class Ch> TAGWELL_TARGET_AVX2 static unsigned signsOfBlock(const Ch* in)
    {
        const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
        __m256i eq;
        if constexpr (sizeof(Ch) == 1)
            eq = _mm256_cmpeq_epi8(_mm256_or_si256(block, _mm256_set1_epi8(2)), _mm256_set1_epi8(0x3E));
        else
            eq = _mm256_cmpeq_epi16(_mm256_or_si256(block, _mm256_set1_epi16(2)), _mm256_set1_epi16(0x3E));
        return unsigned(_mm256_movemask_epi8(eq));
    }
    template <class Ch> TAGWELL_TARGET_AVX2 static void copyBlock(const Ch* in, Ch* out)
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in)));
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

// The conversion's scan over a text cut into blocks of any size: the sink
// hears of the whole text, in order, as if it had come in one block.
//
// Removing the tags is two passes in a row, "<pre>" first and then "</pre>"
// over what the first pass left; each pass holds back the start of a tag that
// may still be completing in the next character. Neither tag has a '<' past
// its first character, so a mismatch can only start a new tag at the
// character that broke the old one. A closing tag can be made of pieces that
// the removal of opening tags brought together: its span in the text then
// covers those opening tags.
template <class Ch> class Scanner {
public:
    explicit Scanner(CheckState state) : removeTags_(state == CheckState::Checked) {}

    template <class Sink> void start(Sink& sink) { sink.opening(); }

    template <class Sink> void feed(const Ch* in, std::size_t n, Sink& sink)
    {
#ifdef TAGWELL_AVX2
        if (detail::hasAvx2())
            feedAvx2(in, n, sink);
        else
#endif
            feedWith<detail::BaseVector>(in, n, sink);
        consumed_ += n;
    }

    // The held-back start of a tag, told as the text it is, as if the text
    // ended here: for a text cut short, before the closing tag or instead of
    // it.
    template <class Sink> void release(Sink& sink)
    {
        flushOpenTag(sink);
        flushCloseTag(sink);
    }

    template <class Sink> void finish(Sink& sink)
    {
        release(sink);
        sink.closing(consumed_);
    }

private:
#ifdef TAGWELL_AVX2
    template <class Sink> TAGWELL_TARGET_AVX2 void feedAvx2(const Ch* in, std::size_t n, Sink& sink)
    {
        feedWith<detail::Avx2>(in, n, sink);
    }
#endif

    // The loop works on a copy of the sink, so that a writing sink's output
    // pointer stays in a register: through the sink itself, each byte
    // written could change it, as far as the compiler knows.
    template <class Vector, class Sink>
    [[gnu::always_inline]] inline void feedWith(const Ch* in, std::size_t n, Sink& to)
    {
        Sink sink = to;
        const Ch* const begin = in;
        const Ch* const end = in + n;
        while (in != end) {
            if (openMatched_ == 0 && closeMatched_ == 0) {
                scanChunks<Vector>(in, begin, end, sink);
                if (in == end)
                    break;
            }
            matchOpenTag(*in, at(in, begin), sink);
            ++in;
        }
        to = sink;
    }

    std::size_t at(const Ch* p, const Ch* begin) const
    {
        return consumed_ + std::size_t(p - begin);
    }

    // The main loop: 64 bytes a step. A step with signs escapes each of them
    // in turn by the masks, without going back to the vectors, and stops at
    // the first '<' that may begin a tag: the masks pick those followed by
    // 'p', '/' or '<' (or the chunk's last character, whose next one is not
    // in view), and mayBeginTag() looks at the few characters after each.
    // Leaves the last two chunks' worth to scanBlocks, so that every chunk
    // the sink reads, and every look past a '<', lies within the input.
    template <class Vector, class Sink>
    [[gnu::always_inline]] inline void scanChunks(const Ch*& in, const Ch* begin, const Ch* end, Sink& sink)
    {
        if constexpr (Vector::Bytes > 0) {
            constexpr std::ptrdiff_t chunk = 64 / sizeof(Ch);
            constexpr unsigned width = sizeof(Ch);
            const bool removeTags = removeTags_;
            while (end - in >= 2 * chunk) {
                std::uint64_t signs = Vector::signsOf(in);
                if (signs == 0) {
                    sink.template chunk<Vector>(in, chunk);
                    in += chunk;
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
                std::size_t done = 0; // characters of the chunk told
                do {
                    const auto sign = std::size_t(std::countr_zero(signs)) / width;
                    sink.template chunk<Vector>(in + done, sign - done);
                    const std::uint64_t bit = std::uint64_t(1) << (sign * width);
                    if ((stops & bit) && mayBeginTag(in + sign)) {
                        in += sign;
                        return;
                    }
                    sink.sign(in[sign], at(in + sign, begin));
                    done = sign + 1;
                    signs &= ~((bit << width) - 1);
                } while (signs != 0);
                sink.template chunk<Vector>(in + done, std::size_t(chunk) - done);
                in += chunk;
            }
        }
        scanBlocks<Vector>(in, begin, end, sink);
    }

    // Whether `text` starts with `ascii`.
    static bool startsWith(const Ch* text, std::string_view ascii)
    {
        return std::equal(ascii.begin(), ascii.end(), text, [](char a, Ch c) { return Ch(a) == c; });
    }

    // Whether the '<' at `in` begins a tag that goes: "<pre>", "</pre>", or a
    // closing tag that removing "<pre>" brings together, whose start is then
    // a start of "</pre>" followed by "<pre>". Any other '<' is only
    // escaped, though a 'p', '/' or '<' follow it, as in HTML. Reads up to
    // MaybeTagSpan characters.
    static bool mayBeginTag(const Ch* in)
    {
        constexpr auto open = literals::OpenTag, close = literals::CloseTag;
        if (startsWith(in, open) || startsWith(in, close))
            return true;
        for (std::size_t k = 1; k < close.size(); ++k) {
            if (!startsWith(in, close.substr(0, k)))
                return false;
            if (startsWith(in + k, open))
                return true;
        }
        return false;
    }
    static constexpr std::ptrdiff_t MaybeTagSpan =
        std::ptrdiff_t(literals::CloseTag.size() - 1 + literals::OpenTag.size());

    // A '<' that may begin a tag, or end in one that removing "<pre>" brings
    // together; any other is only escaped: most of them, in source code.
    static bool mayStartTag(const Ch* in, const Ch* end)
    {
        if (end - in >= MaybeTagSpan)
            return mayBeginTag(in);
        return end - in < 2 || in[1] == Ch('p') || in[1] == Ch('/') || in[1] == Ch('<');
    }

    // The rest of [in, end) a vector block at a time, then a character at a
    // time; when tags are removed, stops at the first '<' that may begin one
    // and leaves `in` on it.
    template <class Vector, class Sink>
    [[gnu::always_inline]] inline void scanBlocks(const Ch*& in, const Ch* begin, const Ch* end, Sink& sink)
    {
        const bool removeTags = removeTags_;
        if constexpr (Vector::Bytes > 0) {
            constexpr std::ptrdiff_t lanes = Vector::Bytes / sizeof(Ch);
            while (end - in >= lanes) {
                const unsigned mask = Vector::signsOfBlock(in);
                if (mask == 0) {
                    sink.template block<Vector>(in, lanes);
                    in += lanes;
                    continue;
                }
                const auto before = std::size_t(std::countr_zero(mask)) / sizeof(Ch);
                sink.template block<Vector>(in, before);
                in += before;
                if (*in == Ch('<') && removeTags && mayStartTag(in, end))
                    return;
                sink.sign(*in, at(in, begin));
                ++in;
            }
        }
        for (; in != end; ++in) {
            if (!detail::isSign(*in)) {
                sink.kept(*in);
                continue;
            }
            if (*in == Ch('<') && removeTags && mayStartTag(in, end))
                return;
            sink.sign(*in, at(in, begin));
        }
    }

    template <class Sink> [[gnu::always_inline]] static inline void keep(Ch c, std::size_t position, Sink& sink)
    {
        if (detail::isSign(c))
            sink.sign(c, position);
        else
            sink.kept(c);
    }

    template <class Sink> [[gnu::always_inline]] inline void matchOpenTag(Ch c, std::size_t position, Sink& sink)
    {
        constexpr auto tag = literals::OpenTag;
        if (openMatched_ > 0) {
            if (c == Ch(tag[openMatched_])) {
                if (++openMatched_ == tag.size()) {
                    openMatched_ = 0;
                    removedOpenTag(openStart_, position + 1, sink);
                }
                return;
            }
            flushOpenTag(sink);
        }
        if (c == Ch(tag[0])) {
            openMatched_ = 1;
            openStart_ = position;
            return;
        }
        matchCloseTag(c, position, sink);
    }

    template <class Sink> [[gnu::always_inline]] inline void matchCloseTag(Ch c, std::size_t position, Sink& sink)
    {
        constexpr auto tag = literals::CloseTag;
        if (closeMatched_ > 0) {
            if (c == Ch(tag[closeMatched_])) {
                if (++closeMatched_ == tag.size()) {
                    closeMatched_ = 0;
                    runs_ = 0; // the opening tags it was joined across are within its span
                    sink.removed(closeAt_[0], position + 1);
                } else {
                    closeAt_[closeMatched_ - 1] = position;
                }
                return;
            }
            flushCloseTag(sink);
        }
        if (c == Ch(tag[0])) {
            closeMatched_ = 1;
            closeAt_[0] = position;
            return;
        }
        keep(c, position, sink);
    }

    // An opening tag taken out while a closing one is being matched may yet
    // turn out to lie within that one's span: it is told once the match
    // ends. The opening tags between two characters of the closing tag lie
    // side by side, so each gap holds one run of them.
    template <class Sink>
    [[gnu::always_inline]] inline void removedOpenTag(std::size_t start, std::size_t end, Sink& sink)
    {
        if (closeMatched_ == 0) {
            sink.removed(start, end);
        } else if (runs_ > 0 && pendingRuns_[runs_ - 1].end == start) {
            pendingRuns_[runs_ - 1].end = end;
        } else {
            pendingRuns_[runs_++] = {start, end};
        }
    }

    // The held-back start of an opening tag turned out not to be one: it goes
    // on to the closing-tag pass, as the first pass would have left it.
    template <class Sink> [[gnu::always_inline]] inline void flushOpenTag(Sink& sink)
    {
        const std::size_t held = std::exchange(openMatched_, 0);
        for (std::size_t i = 0; i < held; ++i)
            matchCloseTag(Ch(literals::OpenTag[i]), openStart_ + i, sink);
    }

    template <class Sink> [[gnu::always_inline]] inline void flushCloseTag(Sink& sink)
    {
        const std::size_t held = std::exchange(closeMatched_, 0);
        std::size_t run = 0;
        for (std::size_t i = 0; i < held; ++i) {
            for (; run < runs_ && pendingRuns_[run].start < closeAt_[i]; ++run)
                sink.removed(pendingRuns_[run].start, pendingRuns_[run].end);
            keep(Ch(literals::CloseTag[i]), closeAt_[i], sink);
        }
        for (; run < runs_; ++run)
            sink.removed(pendingRuns_[run].start, pendingRuns_[run].end);
        runs_ = 0;
    }

    struct Run {
        std::size_t start, end;
    };

    bool removeTags_;
    std::size_t consumed_ = 0; // characters fed before the current block
    std::size_t openMatched_ = 0;
    std::size_t openStart_ = 0;
    std::size_t closeMatched_ = 0;
    std::array<std::size_t, literals::CloseTag.size()> closeAt_{};
    std::array<Run, literals::CloseTag.size()> pendingRuns_{};
    std::size_t runs_ = 0;
};

} // namespace tagwell
