// The streaming converter fed the text in blocks cut at random places, each
// call writing into a block of exactly the room it promises to need: the
// output, put together, must be the whole-text result.
//
// Input: one byte for the check state, four for the cutting's seed, the text.
#include "fuzz_support.h"

using namespace tagwell;

namespace {

class Cutter {
public:
    explicit Cutter(std::uint32_t seed) : state_(seed | 1) {}

    // Mostly short blocks, so tags straddle edges; some empty, some long.
    std::size_t next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        switch (state_ % 8) {
        case 0:
            return 0;
        case 7:
            return (state_ >> 8) % 4096;
        default:
            return 1 + (state_ >> 8) % 24;
        }
    }

private:
    std::uint32_t state_;
};

template <class Ch> void streamInBlocks(std::basic_string_view<Ch> text, CheckState state, std::uint32_t seed)
{
    using Converter = StreamConverter<Ch>;
    Converter converter(state);
    std::basic_string<Ch> out;
    const auto call = [&](std::size_t inputSize, auto&& step) {
        const auto room = std::make_unique_for_overwrite<Ch[]>(Converter::maxOutput(inputSize));
        out.append(room.get(), step(room.get()));
    };
    call(0, [&](Ch* to) { return converter.start(to); });
    Cutter cutter(seed);
    for (std::size_t at = 0; at < text.size();) {
        const auto block = text.substr(at, cutter.next());
        const auto copy = fuzz::exactCopy(block);
        call(block.size(), [&](Ch* to) { return converter.feed(copy.get(), block.size(), to); });
        at += block.size();
    }
    call(0, [&](Ch* to) { return converter.finish(to); });
    FUZZ_CHECK(out == convertText(text, state));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 5)
        return -1;
    const auto state = CheckState(data[0] % 3);
    const std::uint32_t seed = std::uint32_t(data[1]) | std::uint32_t(data[2]) << 8 | std::uint32_t(data[3]) << 16 |
                               std::uint32_t(data[4]) << 24;
    data += 5;
    size -= 5;
    streamInBlocks(std::string_view(reinterpret_cast<const char*>(data), size), state, seed);
    const std::u16string units = fuzz::unitsFromBytes(data, size);
    streamInBlocks(std::u16string_view(units), state, seed);
    return 0;
}
