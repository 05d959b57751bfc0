// WenBen's document as the commands see it, kept exact, and its Undo.
//
// The EDIT control holds its lines as CR LF and cannot hold a NUL, so a text
// the program writes is shown with every line break as CR LF and every NUL
// as U+FFFD, and kept here as written (lone CR or LF, NUL, lone surrogates)
// until the user edits it: Copy after Paste or Convert gives it back exactly.
// A command's writes wait until its commit, which hands them to the control
// at once: the whole text in one WM_SETTEXT, or for a Convert of few signs
// only the signs and tags, replaced in place.
//
// The control's own Undo is one level deep, so the document keeps the
// history: each command one step, the user's typing steps of its own
// (characters typed one after another make one step), in the order they
// happened. A step holds the control's text it replaced and the exact texts
// on either side of it, so Undo and Redo bring back exactly what Copy would
// have copied then.
#pragma once

#include "core/commands.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tagwell::win32 {

class WenBenDocument : public TextArea {
public:
    explicit WenBenDocument(HWND edit);

    Text text() const override;
    void setText(Text text) override;
    std::optional<InPlaceCosts> inPlaceCosts() const override;
    void setConverted(ConversionPlan plan) override;
    void commit() override;

    // The control says that its text changed (EN_CHANGE): the user edited.
    void noticeChange();

    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < steps_.size(); }
    // Throw std::bad_alloc when the control cannot take the text back; the
    // document then holds what the control shows, with no history.
    void undo();
    void redo();

private:
    // The control's characters [at, at + removed.size()) gave way to
    // `inserted`.
    struct Change {
        std::size_t at;
        std::wstring removed;
        std::wstring inserted;
    };
    struct Step {
        std::vector<Change> changes; // ascending and disjoint, in the positions before the step
        std::optional<Text> exactBefore;
        std::optional<Text> exactAfter;
        bool typing = false;
    };

    void takeChange();
    void record(Step step);
    void forward(const Step& step);
    void backward(const Step& step);
    void replace(std::size_t at, std::size_t length, const std::wstring& text);
    void placeCaret(std::size_t at);
    void checkShown();
    [[noreturn]] void lose();
    static bool joinTyping(Change& last, const Change& next);

    HWND edit_;
    std::wstring shown_; // what the control holds, always
    std::optional<Text> exact_;
    std::optional<Text> pending_;
    std::vector<Replacement> pendingInPlace_;
    std::vector<Step> steps_;
    std::size_t done_ = 0; // steps_[0, done_) are done, the rest undone
    bool typingGoesOn_ = false;
    bool writing_ = false;
};

} // namespace tagwell::win32
