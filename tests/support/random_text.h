// Random texts rich in the pieces of pre tags, so that tags form, break and
// nest across any cut: most random cases hit the interesting paths. Works
// with any generator that has bounded(n) (QRandomGenerator, or Random below
// where there is no Qt).
#pragma once

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

// A small generator that gives the same numbers on every system, so that a
// seed names the same case on Linux and under wine.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    // In [0, n).
    int bounded(int n) { return n <= 0 ? 0 : int(next() % std::uint64_t(n)); }

private:
    std::uint64_t state_;
};

template <class Ch, class Generator> std::basic_string<Ch> randomTagText(Generator& random, int maxPieces)
{
    static constexpr std::string_view pieces[] = {"<",  ">",  "/", "pre", "p",    "re",  "e",    "<pre>", "</pre>",
                                                  "</", "<p", "x", "\n",  "&lt;", "PRE", "\r\n", " "};
    std::basic_string<Ch> text;
    const int count = random.bounded(maxPieces + 1);
    for (int i = 0; i < count; ++i) {
        const auto piece = pieces[random.bounded(int(std::size(pieces)))];
        text.append(piece.begin(), piece.end());
    }
    return text;
}
