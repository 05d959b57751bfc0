#include "win32/document.h"

#include "win32/wide.h"

#include <algorithm>
#include <new>
#include <utility>

namespace tagwell::win32 {

namespace {

// Measured with tagwell-bench-window under wine (bench/wine_bench.sh): in a
// text of 10 MiB one replacement in the edit control costs as much as
// WM_SETTEXT of 68,000 to 130,000 of its characters (the control lays out
// the lines after it again), more in a longer text; with room to spare, so
// that in place never costs more than the whole text, only a Convert of very
// few signs edits in place.
constexpr InPlaceCosts ControlCosts{192 * 1024, 16 * 1024};

// The text as the control can hold it: each line break as CR LF, each NUL as
// U+FFFD.
std::wstring shownOf(std::u16string_view text)
{
    std::wstring shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            shown += L"\r\n";
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            shown += c == u'\0' ? L'\uFFFD' : wchar_t(c);
        }
    }
    return shown;
}

bool holdsLineBreak(const std::wstring& text)
{
    return text.find_first_of(L"\r\n") != std::wstring::npos;
}

// While the document writes, the control's EN_CHANGE is its own, not the user's.
class Writing {
public:
    explicit Writing(bool& flag) : flag_(flag) { flag_ = true; }
    ~Writing() { flag_ = false; }
    Writing(const Writing&) = delete;
    Writing& operator=(const Writing&) = delete;

private:
    bool& flag_;
};

} // namespace

WenBenDocument::WenBenDocument(HWND edit) : edit_(edit)
{
    // The default limit is 30,000 characters.
    SendMessageW(edit_, EM_SETLIMITTEXT, 0, 0);
    shown_ = windowText(edit_);
}

Text WenBenDocument::text() const
{
    if (pending_)
        return *pending_;
    if (exact_)
        return *exact_;
    return Text(units(shown_));
}

void WenBenDocument::setText(Text text)
{
    pending_ = std::move(text);
    pendingInPlace_.clear();
}

std::optional<InPlaceCosts> WenBenDocument::inPlaceCosts() const
{
    return ControlCosts;
}

void WenBenDocument::setConverted(ConversionPlan plan)
{
    // The plan's positions are the control's only where it holds the text
    // as it was read: no exact text of another shape, no earlier write.
    if (plan.inPlace.empty() || pending_ || exact_)
        return setText(std::move(plan.result));
    pending_ = std::move(plan.result);
    pendingInPlace_ = std::move(plan.inPlace);
}

void WenBenDocument::commit()
{
    if (!pending_)
        return;
    Text text = std::move(*pending_);
    pending_.reset();
    const std::vector<Replacement> inPlace = std::exchange(pendingInPlace_, {});

    Step step;
    step.exactBefore = exact_;
    if (!inPlace.empty()) {
        // The control held the text, and the result differs from it only in
        // signs and tags: it too is held as it is.
        const std::wstring_view result = wide(text);
        step.changes.reserve(inPlace.size());
        for (const Replacement& r : inPlace)
            step.changes.push_back({r.start, shown_.substr(r.start, r.end - r.start),
                                    std::wstring(result.substr(r.resultStart, r.resultEnd - r.resultStart))});
    } else {
        std::wstring shown = shownOf(text);
        if (shown != wide(text))
            step.exactAfter = std::move(text);
        if (shown == shown_ && step.exactAfter == exact_)
            return;
        step.changes.push_back({0, shown_, std::move(shown)});
    }
    forward(step);
    exact_ = step.exactAfter;
    record(std::move(step));
    typingGoesOn_ = false;
}

void WenBenDocument::record(Step step)
{
    steps_.erase(steps_.begin() + std::ptrdiff_t(done_), steps_.end());
    steps_.push_back(std::move(step));
    done_ = steps_.size();
}

void WenBenDocument::noticeChange()
{
    if (writing_)
        return;
    try {
        takeChange();
    } catch (const std::bad_alloc&) {
        lose(); // the history cannot follow the control any more
    }
}

void WenBenDocument::takeChange()
{
    std::wstring now = windowText(edit_);
    const std::size_t shorter = std::min(now.size(), shown_.size());
    const std::size_t prefix = std::size_t(
        std::mismatch(now.begin(), now.begin() + std::ptrdiff_t(shorter), shown_.begin()).first - now.begin());
    std::size_t suffix = 0;
    while (suffix < shorter - prefix && now[now.size() - 1 - suffix] == shown_[shown_.size() - 1 - suffix])
        ++suffix;
    Change change{prefix, shown_.substr(prefix, shown_.size() - prefix - suffix),
                  now.substr(prefix, now.size() - prefix - suffix)};
    shown_ = std::move(now);
    if (change.removed.empty() && change.inserted.empty())
        return;

    if (typingGoesOn_ && done_ == steps_.size() && done_ > 0 && steps_[done_ - 1].typing &&
        joinTyping(steps_[done_ - 1].changes.front(), change)) {
        exact_.reset();
        return;
    }
    Step step{{std::move(change)}, exact_, std::nullopt, true};
    exact_.reset();
    record(std::move(step));
    typingGoesOn_ = true;
}

// Characters typed one after another, or erased one after another, are one
// step; a line break ends it, as a paragraph does on the other desktops.
bool WenBenDocument::joinTyping(Change& last, const Change& next)
{
    if (holdsLineBreak(last.inserted) || holdsLineBreak(next.inserted) || holdsLineBreak(next.removed))
        return false;
    if (next.removed.empty() && next.at == last.at + last.inserted.size()) {
        last.inserted += next.inserted;
        return true;
    }
    if (next.inserted.empty() && last.inserted.empty()) {
        if (next.at + next.removed.size() == last.at) { // Backspace
            last.at = next.at;
            last.removed.insert(0, next.removed);
            return true;
        }
        if (next.at == last.at) { // Delete
            last.removed += next.removed;
            return true;
        }
    }
    return false;
}

void WenBenDocument::undo()
{
    if (!canUndo())
        return;
    const Step& step = steps_[done_ - 1];
    backward(step);
    exact_ = step.exactBefore;
    --done_;
    typingGoesOn_ = false;
    const Change& first = step.changes.front();
    placeCaret(first.at + first.removed.size());
}

void WenBenDocument::redo()
{
    if (!canRedo())
        return;
    const Step& step = steps_[done_];
    forward(step);
    exact_ = step.exactAfter;
    ++done_;
    typingGoesOn_ = false;
    const Change& first = step.changes.front();
    placeCaret(first.at + first.inserted.size());
}

// From the last change to the first, so that each one's position still holds.
void WenBenDocument::forward(const Step& step)
{
    for (auto change = step.changes.rbegin(); change != step.changes.rend(); ++change)
        replace(change->at, change->removed.size(), change->inserted);
    checkShown();
}

// From the first change to the last: the ones before each are undone, so its
// position in the text before the step holds again.
void WenBenDocument::backward(const Step& step)
{
    for (const Change& change : step.changes)
        replace(change.at, change.inserted.size(), change.removed);
    checkShown();
}

void WenBenDocument::placeCaret(std::size_t at)
{
    SendMessageW(edit_, EM_SETSEL, WPARAM(at), LPARAM(at));
    SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
}

void WenBenDocument::replace(std::size_t at, std::size_t length, const std::wstring& text)
{
    const Writing writing(writing_);
    if (at == 0 && length == shown_.size()) {
        if (!SendMessageW(edit_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())))
            lose();
        shown_ = text;
        return;
    }
    SendMessageW(edit_, EM_SETSEL, WPARAM(at), LPARAM(at + length));
    SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    shown_.replace(at, length, text);
}

// A control short of memory drops a write without a word (EN_ERRSPACE): its
// length then differs from the text it was given.
void WenBenDocument::checkShown()
{
    if (std::size_t(GetWindowTextLengthW(edit_)) != shown_.size())
        lose();
}

// The document takes the control's text as it is, and the history, which no
// longer fits it, goes.
void WenBenDocument::lose()
{
    shown_ = windowText(edit_);
    exact_.reset();
    steps_.clear();
    done_ = 0;
    typingGoesOn_ = false;
    throw std::bad_alloc();
}

} // namespace tagwell::win32
