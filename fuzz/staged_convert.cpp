// The staged Convert against a text area and check box that fail at a chosen
// read or write. Whatever fails, the text area holds the original text or a
// finished stage, the failure reaches the caller, and without a failure the
// text is the whole-text result.
//
// Input: one byte for the check state, one for the failing step (0: the check
// box; n: the text area's read or write n - 1; past the last: none), the text.
#include "core/commands.h"
#include "fakes.h"
#include "fuzz_support.h"

using namespace tagwell;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return -1;
    const auto state = CheckState(data[0] % 3);
    const int failAt = data[1] % 12;
    const Text original = fuzz::unitsFromBytes(data + 2, size - 2);
    const auto stages = fuzz::modelStages(original, state);

    FakeTextArea area(original, failAt - 1);
    const FakeCheckBox box(state, failAt == 0);
    bool failed = false;
    try {
        convert(area, box);
    } catch (const Failure&) {
        failed = true;
    }
    FUZZ_CHECK(area.writes.size() < stages.size());
    FUZZ_CHECK(area.current() == stages[area.writes.size()]);
    FUZZ_CHECK(failed == (failAt == 0 || failAt - 1 < area.calls));
    if (!failed) {
        FUZZ_CHECK(area.writes.size() == stages.size() - 1);
        FUZZ_CHECK(area.current() == convertText(std::u16string_view(original), state));
    }
    return 0;
}
