// Stand-ins for what the commands work on: a text area, a check box and a
// clipboard that record what they are asked and fail on demand. Standard C++
// only, so that the fuzz targets use them as the suites do.
#pragma once

#include "core/commands.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

struct Failure : std::runtime_error {
    explicit Failure(const std::string& what = "injected failure") : std::runtime_error(what) {}
};

// Records every write; the read or write numbered `failAt` (counting both,
// from 0) throws instead of happening.
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

    const tagwell::Text& current() const { return text_; }
    std::vector<tagwell::Text> writes;
    mutable int calls = 0;

private:
    void step() const
    {
        if (calls++ == failAt_)
            throw Failure();
    }
    tagwell::Text text_;
    int failAt_;
};

struct FakeCheckBox : tagwell::CheckBox {
    explicit FakeCheckBox(tagwell::CheckState s, bool failReads = false) : state(s), fail(failReads) {}
    tagwell::CheckState checkState() const override
    {
        if (fail)
            throw Failure();
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
            throw Failure("clipboard read failed");
        return content;
    }
    void setText(const tagwell::Text& text) override
    {
        if (failWrites)
            throw Failure("clipboard write failed");
        content = text;
        ++sets;
    }
    tagwell::Text content;
    bool failReads = false;
    bool failWrites = false;
    int sets = 0;
    std::function<void()> whileReading; // to look at the program while it waits
};
