// Stand-ins for what the commands work on: a text area, a check box, a
// clipboard and a launcher that record what they are asked and fail on
// demand. Standard C++ only, so that the fuzz targets and the suites without
// a window use them as the window's suites do.
#pragma once

#include "core/commands.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

struct InjectedFailure : std::runtime_error {
    explicit InjectedFailure(const std::string& what = "injected failure") : std::runtime_error(what) {}
};

// Records every write and commit; the read or write numbered `failAt`
// (counting both, from 0) throws instead of happening.
class FakeTextArea : public tagwell::TextArea {
public:
    explicit FakeTextArea(tagwell::Text text, int failAt = -1) : text_(std::move(text)), failAt_(failAt) {}

    tagwell::Text text() const override
    {
        step();
        return text_;
    }
    void setText(tagwell::Text text) override
    {
        step();
        text_ = std::move(text);
        writes.push_back(text_);
    }
    // Costs as the window's document has them, to plan edits in place; none
    // unless a test asks.
    std::optional<tagwell::InPlaceCosts> inPlaceCosts() const override { return costs; }
    void setConverted(tagwell::ConversionPlan plan) override
    {
        plans.push_back(plan);
        setText(std::move(plan.result));
    }
    void commit() override { ++commits; }

    const tagwell::Text& current() const { return text_; }
    std::vector<tagwell::Text> writes;
    std::vector<tagwell::ConversionPlan> plans;
    std::optional<tagwell::InPlaceCosts> costs;
    int commits = 0;
    mutable int calls = 0;

private:
    void step() const
    {
        if (calls++ == failAt_)
            throw InjectedFailure();
    }
    tagwell::Text text_;
    int failAt_;
};

struct FakeCheckBox : tagwell::CheckBox {
    explicit FakeCheckBox(tagwell::CheckState s, bool failReads = false) : state(s), fail(failReads) {}
    tagwell::CheckState checkState() const override
    {
        if (fail)
            throw InjectedFailure();
        return state;
    }
    tagwell::CheckState state;
    bool fail;
};

struct FakeClipboard : tagwell::Clipboard {
    tagwell::Text text() const override
    {
        if (whileReading)
            whileReading();
        if (failReads)
            throw InjectedFailure("clipboard read failed");
        return content;
    }
    void setText(const tagwell::Text& text) override
    {
        if (whileWriting)
            whileWriting();
        if (failWrites)
            throw InjectedFailure("clipboard write failed");
        content = text;
        ++sets;
    }
    tagwell::Text content;
    bool failReads = false;
    bool failWrites = false;
    int sets = 0;
    std::function<void()> whileReading; // to look at the program while it waits
    std::function<void()> whileWriting;
};

// Records the addresses it is handed; fails at once, or later as a real one
// does (by `failLater`, which a window's fixture wires to its signal).
struct FakeLauncher : tagwell::Launcher {
    enum class Outcome { Opens, FailsAtOnce, FailsLater };

    void open(std::u16string_view address) override
    {
        opened.emplace_back(address);
        if (outcome == Outcome::FailsAtOnce)
            throw tagwell::PlatformError(tagwell::Failure::NoBrowser);
        if (outcome == Outcome::FailsLater && failLater)
            failLater();
    }
    std::vector<std::u16string> opened;
    Outcome outcome = Outcome::Opens;
    std::function<void()> failLater;
};
