// The staged Convert against a text area and check box that fail at a chosen
// read or write. Whatever fails, the text area holds the original text or a
// finished stage, the failure reaches the caller, and without a failure the
// text is the whole-text result.
//
// Input: one byte for the check state, one for the failing step, the text.
#include "core/commands.h"
#include "fuzz_support.h"

using namespace tagwell;

namespace {

struct Failure {};

// Counts every read of the box and every read and write of the text; step
// number failAt throws.
struct Steps {
    int failAt;
    int taken = 0;
    void next()
    {
        if (taken++ == failAt)
            throw Failure{};
    }
};

class FailingTextArea : public TextArea {
public:
    FailingTextArea(Text text, Steps& steps) : text_(std::move(text)), steps_(steps) {}
    Text text() const override
    {
        steps_.next();
        return text_;
    }
    void setText(Text text) override
    {
        steps_.next();
        text_ = std::move(text);
        ++writes;
    }
    const Text& current() const { return text_; }
    std::size_t writes = 0;

private:
    Text text_;
    Steps& steps_;
};

class FailingCheckBox : public CheckBox {
public:
    FailingCheckBox(CheckState state, Steps& steps) : state_(state), steps_(steps) {}
    CheckState checkState() const override
    {
        steps_.next();
        return state_;
    }

private:
    CheckState state_;
    Steps& steps_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return -1;
    const CheckState state = data[0] % 3;
    Steps steps{data[1] % 12};
    const Text original = fuzz::unitsFromBytes(data + 2, size - 2);
    const auto stages = fuzz::modelStages(original, state);

    FailingTextArea area(original, steps);
    const FailingCheckBox box(state, steps);
    bool failed = false;
    try {
        convert(area, box);
    } catch (const Failure&) {
        failed = true;
    }
    FUZZ_CHECK(area.writes < stages.size());
    FUZZ_CHECK(area.current() == stages[area.writes]);
    FUZZ_CHECK(failed == (steps.failAt < steps.taken));
    if (!failed) {
        FUZZ_CHECK(area.writes == stages.size() - 1);
        FUZZ_CHECK(area.current() == convertText(std::u16string_view(original), state));
    }
    return 0;
}
