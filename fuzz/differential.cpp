// The whole-text conversion, and the same conversion as edits in place,
// against the naive model, on bytes and on 16-bit text, for every check state
// and for whatever state the input's first two bytes spell.
#include "edits.h"
#include "fuzz_support.h"

using namespace tagwell;

namespace {

template <class Ch> void compareWithModel(std::basic_string_view<Ch> text, CheckState state)
{
    const auto copy = fuzz::exactCopy(text);
    const std::basic_string_view<Ch> exact(copy.get(), text.size());
    const auto expected = fuzz::model(std::basic_string<Ch>(text), state);
    FUZZ_CHECK(convertText(exact, state) == expected);
    FUZZ_CHECK(applyConversionEdits(std::basic_string<Ch>(text), state) == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string units = fuzz::unitsFromBytes(data, size);
    const auto spelled = size >= 2 ? CheckState(std::uint16_t(data[0] << 8 | data[1])) : CheckState::Grayed;
    for (const CheckState state : {CheckState::Unchecked, CheckState::Checked, CheckState::Grayed, spelled}) {
        compareWithModel(bytes, state);
        compareWithModel(std::u16string_view(units), state);
    }
    return 0;
}
