// The conversion of a text into a verbatim HTML fragment, as the scan of
// core/scanner.h writes it: the whole-text function, and a streaming form for
// texts that arrive in blocks.
#pragma once

#include "core/scanner.h"

#include <cstring>
#include <string>
#include <string_view>

namespace tagwell {

namespace detail {

// Writes what the scan tells: kept characters a vector block or chunk at a
// time, stored whole and `out` advanced only past the characters kept, which
// is why the output needs room past its end (StreamConverter::Slack).
template <class Ch> struct Writer {
    Ch* out;

    template <class Vector> [[gnu::always_inline]] void chunk(const Ch* in, std::size_t n)
    {
        if constexpr (Vector::Bytes > 0)
            Vector::copyChunk(in, out);
        out += n;
    }
    template <class Vector> [[gnu::always_inline]] void block(const Ch* in, std::size_t n)
    {
        if constexpr (Vector::Bytes > 0)
            Vector::copyBlock(in, out);
        out += n;
    }
    [[gnu::always_inline]] void kept(Ch c) { *out++ = c; }
    // "&lt;" or "&gt;" without a branch: the two differ only in their second
    // character.
    [[gnu::always_inline]] void sign(Ch c, std::size_t)
    {
        static constexpr Ch lessThan[4] = {Ch('&'), Ch('l'), Ch('t'), Ch(';')};
        std::memcpy(out, lessThan, sizeof lessThan);
        out[1] = Ch(Ch('g') + Ch(c == Ch('<')) * Ch('l' - 'g'));
        out += 4;
    }
    void removed(std::size_t, std::size_t) {}
    void opening() { put(literals::OpenTag); }
    void closing(std::size_t) { put(literals::CloseTag); }

    void put(std::string_view ascii) { out = std::copy(ascii.begin(), ascii.end(), out); }
};

} // namespace detail

// The conversion as a filter over a text cut into blocks of any size. Its
// output, concatenated, is exactly convertText() of the concatenated input.
template <class Ch> class StreamConverter {
public:
    explicit StreamConverter(CheckState state) : scanner_(state) {}

    // Room past the written output that feed() may scribble on: one chunk of
    // 64 bytes.
    static constexpr std::size_t Slack = 64 / sizeof(Ch);

    // The room that any one of the calls below needs for `n` characters of
    // input, Slack included.
    static constexpr std::size_t maxOutput(std::size_t n)
    {
        return 4 * (n + literals::OpenTag.size() + literals::CloseTag.size()) + Slack;
    }

    // The room that converting the whole of `text` needs: at most its
    // result's length (its signs counted), Slack included.
    static std::size_t wholeOutput(std::basic_string_view<Ch> text)
    {
        const std::size_t signs = detail::countSigns(text.data(), text.data() + text.size());
        return text.size() + 3 * signs + literals::OpenTag.size() + literals::CloseTag.size() + Slack;
    }

    Ch* start(Ch* out)
    {
        return run(out, [this](auto& writer) { scanner_.start(writer); });
    }

    Ch* feed(const Ch* in, std::size_t n, Ch* out)
    {
        return run(out, [&](auto& writer) { scanner_.feed(in, n, writer); });
    }

    // Writes the held-back start of a tag as the text it is, as if the text
    // ended here, but without the closing tag: for a text cut short (an
    // interrupted program writing what it has).
    Ch* release(Ch* out)
    {
        return run(out, [this](auto& writer) { scanner_.release(writer); });
    }

    Ch* finish(Ch* out)
    {
        return run(out, [this](auto& writer) { scanner_.finish(writer); });
    }

private:
    template <class Step> [[gnu::always_inline]] static Ch* run(Ch* out, Step&& step)
    {
        detail::Writer<Ch> writer{out};
        step(writer);
        return writer.out;
    }

    Scanner<Ch> scanner_;
};

// The final text of the conversion, computed in one pass into an output that
// is allocated once: tags removed (only when `state` is Checked), "<" and ">"
// escaped, the whole wrapped in "<pre>" … "</pre>".
template <class Ch> std::basic_string<Ch> convertText(std::basic_string_view<Ch> text, CheckState state)
{
    std::basic_string<Ch> out(StreamConverter<Ch>::wholeOutput(text), Ch());
    StreamConverter<Ch> converter(state);
    Ch* end = converter.start(out.data());
    end = converter.feed(text.data(), text.size(), end);
    end = converter.finish(end);
    out.resize(static_cast<std::size_t>(end - out.data()));
    return out;
}

} // namespace tagwell
