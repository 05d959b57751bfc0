#include "ui/wenben_document.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

#include <utility>

namespace tagwell {

namespace {

// Whether the widget would give `text` back other than as it was written: it
// holds every line break as one kind, a lone CR and the separators among
// them, and is not made for NUL, other control characters or lone surrogates.
bool widgetWouldBend(std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0x20 && c < 0x7F)
            continue;
        if (c < 0x20) {
            if (c != u'\t' && c != u'\n')
                return true;
        } else if (c >= 0xD800 && c < 0xDC00) {
            if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] >= 0xE000)
                return true;
            ++i;
        } else if ((c >= 0xDC00 && c < 0xE000) || c == 0x2028 || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1 ||
                   c == 0xFFFC || c == 0x7F) {
            return true;
        }
    }
    return false;
}

// Measured with tagwell-bench: one edit in place costs the widget about as
// much as replacing a hundred characters of its whole text, and every edit
// within a line longer than this costs in proportion to the line.
constexpr InPlaceCosts WidgetCosts{100, 16 * 1024};

} // namespace

WenBenText::WenBenText(QPlainTextEdit& edit) : edit_(edit)
{
    QTextDocument* document = edit_.document();
    connect(document, &QTextDocument::contentsChanged, this, [this] {
        if (!writing_)
            noticeEdit();
    });
    // Typing after an Undo starts a new branch: the texts of the old one are
    // out of reach.
    connect(document, &QTextDocument::undoCommandAdded, this, [this] {
        if (!writing_)
            forgetFrom(undoPosition());
    });
}

const Text* WenBenText::exactText() const
{
    const auto known = exact_.find(undoPosition());
    return known != exact_.end() ? &known->second : nullptr;
}

Text WenBenText::text() const
{
    if (pending_)
        return *pending_;
    if (const Text* exact = exactText())
        return *exact;
    return widgetText();
}

Text WenBenText::widgetText() const
{
    // Each paragraph ends in U+2029 in the raw text; plain text has LF there.
    // toPlainText() would also turn no-break spaces into spaces.
    QString raw = edit_.document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, u'\n');
    return raw.toStdU16String();
}

void WenBenText::setText(Text text)
{
    pending_ = std::move(text);
    pendingEdits_.reset();
}

std::optional<InPlaceCosts> WenBenText::inPlaceCosts() const
{
    return WidgetCosts;
}

void WenBenText::setConverted(ConversionPlan plan)
{
    // The plan is of the text as the widget holds it now: a command runs to
    // its end before any other event, and an earlier write of its own would
    // have given the whole text.
    if (plan.inPlace.empty() || pending_)
        return setText(std::move(plan.result));

    // The widget holds CR only where the program wrote a text it kept exact;
    // there a CR LF is one of its positions.
    const Text* exact = exactText();
    std::size_t pairs = 0;
    std::size_t nextPair = exact != nullptr ? exact->find(u"\r\n") : Text::npos;
    const auto position = [&](std::size_t index) {
        while (nextPair != Text::npos && nextPair + 2 <= index) {
            ++pairs;
            nextPair = exact->find(u"\r\n", nextPair + 2);
        }
        return int(index - pairs);
    };
    std::vector<Placed> placed;
    placed.reserve(plan.inPlace.size());
    const QStringView result(plan.result);
    for (const Replacement& r : plan.inPlace) {
        const int start = position(r.start);
        placed.push_back({start, position(r.end),
                          result.sliced(qsizetype(r.resultStart), qsizetype(r.resultEnd - r.resultStart)).toString()});
    }
    pending_ = std::move(plan.result);
    pendingEdits_ = std::move(placed);
}

int WenBenText::undoPosition() const
{
    return edit_.document()->availableUndoSteps();
}

void WenBenText::forgetFrom(int position)
{
    exact_.erase(exact_.lower_bound(position), exact_.end());
}

void WenBenText::noticeEdit()
{
    // Undo and Redo move along the history; an edit that joins the step it
    // follows (typing on) changes the text where it stands.
    const int now = undoPosition();
    if (now == lastPosition_)
        forgetFrom(now);
    lastPosition_ = now;
}

void WenBenText::write(Text text, const std::function<void(QTextCursor&)>& edit)
{
    const bool keep = widgetWouldBend(text);
    forgetFrom(undoPosition() + 1); // the steps that Redo had are replaced
    writing_ = true;
    QTextCursor cursor(edit_.document());
    cursor.beginEditBlock();
    edit(cursor);
    cursor.endEditBlock();
    // What the user types next is a step of its own, not part of this one.
    edit_.document()->setModified(false);
    writing_ = false;
    lastPosition_ = undoPosition();
    if (keep)
        exact_.insert_or_assign(lastPosition_, std::move(text));
}

void WenBenText::commit()
{
    if (!pending_)
        return;
    Text text = std::move(*pending_);
    pending_.reset();
    if (std::optional<std::vector<Placed>> placed = std::exchange(pendingEdits_, std::nullopt)) {
        write(std::move(text), [&placed](QTextCursor& cursor) {
            for (auto e = placed->rbegin(); e != placed->rend(); ++e) {
                cursor.setPosition(e->start);
                cursor.setPosition(e->end, QTextCursor::KeepAnchor);
                cursor.insertText(e->replacement);
            }
        });
        return;
    }
    const QString shown = QString::fromStdU16String(text);
    write(std::move(text), [&shown](QTextCursor& cursor) {
        cursor.select(QTextCursor::Document);
        cursor.insertText(shown);
    });
}

} // namespace tagwell
