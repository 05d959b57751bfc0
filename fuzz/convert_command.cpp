// Convert against a text area and check box that fail at a chosen read or
// write. Whatever fails, the text area holds the original text or the whole
// result, never a part, and the failure reaches the caller; without a
// failure the text is the model's result, and a plan of edits in place, if
// one came with it, makes that result of the original.
//
// Input: one byte for the check state, one for the failing step (0: the check
// box; n: the text area's read or write n - 1; past the last: none), the text.
#include "core/commands.h"
#include "edits.h"
#include "fakes.h"
#include "fuzz_support.h"

using namespace tagwell;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return -1;
    const auto state = CheckState(data[0] % 3);
    const int failAt = data[1] % 4;
    const Text original = fuzz::unitsFromBytes(data + 2, size - 2);
    const Text expected = fuzz::model(original, state);

    FakeTextArea area(original, failAt - 1);
    area.costs = InPlaceCosts{1, 1 << 20, std::size_t(data[1] >> 2)};
    const FakeCheckBox box(state, failAt == 0);
    bool failed = false;
    try {
        convert(area, box);
    } catch (const InjectedFailure&) {
        failed = true;
    }
    FUZZ_CHECK(failed == (failAt <= 2));
    FUZZ_CHECK(area.current() == (failed ? original : expected));
    if (!failed) {
        FUZZ_CHECK(area.writes.size() == 1);
        FUZZ_CHECK(area.plans.size() <= 1);
        if (!area.plans.empty())
            FUZZ_CHECK(applyReplacements(original, area.plans[0]) == std::optional(expected));
    }
    return 0;
}
