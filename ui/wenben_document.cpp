#include "ui/wenben_document.h"

#include "core/conversion_pieces.h"
#include "core/scanner.h"
#include "platform/qt_text.h"

#include <QMetaObject>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

#include <utility>

using namespace Qt::StringLiterals;

namespace tagwell {

namespace {

// Whether the character at `i` is one the widget would not give back as it
// was written: it holds every line break as one kind, a lone CR and the
// separators among them, and is not made for NUL, other control characters
// or lone surrogates. Steps over a surrogate pair.
bool bends(std::u16string_view text, std::size_t& i)
{
    const char16_t c = text[i++];
    if (c >= 0x20 && c < 0x7F)
        return false;
    if (c < 0x20)
        return c != u'\t' && c != u'\n';
    if (c >= 0xD800 && c < 0xDC00) {
        if (i == text.size() || text[i] < 0xDC00 || text[i] >= 0xE000)
            return true;
        ++i;
        return false;
    }
    return (c >= 0xDC00 && c < 0xE000) || c == 0x2028 || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1 || c == 0xFFFC ||
           c == 0x7F;
}

// Whether the widget would give `text` back other than as written. Most
// texts hold none of those characters: eight at a step rule them out.
bool widgetWouldBend(std::u16string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
#ifdef TAGWELL_SSE2
        if (i + 8 <= text.size()) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
            const auto is = [&v](int mask, int value) {
                return _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(short(mask))), _mm_set1_epi16(short(value)));
            };
            const __m128i control = _mm_andnot_si128(
                _mm_or_si128(is(0xFFFF, u'\t'), is(0xFFFF, u'\n')),
                _mm_cmplt_epi16(_mm_xor_si128(v, _mm_set1_epi16(short(0x8000))), _mm_set1_epi16(short(0x8020))));
            const __m128i odd =
                _mm_or_si128(_mm_or_si128(is(0xFFFF, 0x7F), is(0xF800, 0xD800)),
                             _mm_or_si128(_mm_or_si128(is(0xFFFE, 0x2028), is(0xFFFE, 0xFDD0)), is(0xFFFF, 0xFFFC)));
            if (_mm_movemask_epi8(_mm_or_si128(control, odd)) == 0) {
                i += 8;
                continue;
            }
            // One of the eight may bend (or be half of a pair): each in turn.
            for (const std::size_t stop = i + 8; i < stop;)
                if (bends(text, i))
                    return true;
            continue;
        }
#endif
        if (bends(text, i))
            return true;
    }
    return false;
}

// Measured with tagwell-bench: one edit in place costs the widget about as
// much as replacing a hundred characters of its whole text, and every edit
// within a line longer than this costs in proportion to the line.
constexpr InPlaceCosts WidgetCosts{100, 16 * 1024};

// Where a line is longer than this, the widget lays it out as soon as it
// comes in, at a cost like the whole of a big text's.
constexpr std::size_t LongestLineShownAtOnce = 4096;

// A step that changes nothing at all: a character put in and taken out in
// one edit. Each page after the first opens with one; a page that later ones
// follow has one to redo, whose redo is a step on to the next page. Either
// is told by where it stands in the page's history.
void takeStep(QTextDocument& document)
{
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    cursor.insertText(u"\u2060"_s);
    cursor.setPosition(0, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
}

} // namespace

WenBenText::WenBenText(QPlainTextEdit& edit) : edit_(edit)
{
    auto first = std::make_unique<QTextDocument>();
    first->setDocumentLayout(new QPlainTextDocumentLayout(first.get()));
    watch(*first);
    pages_.push_back({std::move(first), {}, {}, {}, 0, true});
    show(0);
}

WenBenText::~WenBenText()
{
    // The widget outlives this: it must not keep a page that goes with it.
    writing_ = true;
    edit_.setDocument(nullptr);
}

QTextDocument& WenBenText::document() const
{
    return *pages_[current_].document;
}

void WenBenText::watch(QTextDocument& document)
{
    connect(&document, &QTextDocument::contentsChanged, this, [this, &document] { changed(&document); });
    // Typing after an Undo starts a new branch: the texts of the old one,
    // and the pages after this one, are out of reach.
    connect(&document, &QTextDocument::undoCommandAdded, this, [this, &document] {
        if (writing_ || &document != &this->document())
            return;
        page().ownSteps = true;
        forgetFrom(undoPosition());
        dropLaterPages();
    });
}

void WenBenText::changed(QTextDocument* changedDocument)
{
    if (writing_ || changedDocument != &document())
        return;
    written_.reset();
    // The widget's own Undo and Redo end at a page's opening step and at the
    // step on to the next page: there the page turns, once Qt is done.
    Turn turn = Turn::None;
    if (current_ > 0 && undoPosition() == 0)
        turn = Turn::Back;
    else if (current_ + 1 < pages_.size() && page().stepOnAt == undoPosition())
        turn = Turn::Forward;
    if (turn == Turn::None)
        return noticeEdit();
    turn_ = turn;
    QMetaObject::invokeMethod(this, &WenBenText::settle, Qt::QueuedConnection);
}

void WenBenText::settle()
{
    const Turn turn = std::exchange(turn_, Turn::None);
    if (turn == Turn::None)
        return;
    writing_ = true;
    if (turn == Turn::Back) {
        Page& before = pages_[current_ - 1];
        giveStepOn(before, thaw(before));
        show(current_ - 1);
    } else {
        document().undo(); // the step on, to be redone again next time
        Page& next = pages_[current_ + 1];
        if (next.document) {
            next.document->redo();
        } else {
            // Built as it stands after its opening step, without the step
            // on that it had before it was frozen.
            QTextDocument& built = thaw(next);
            if (current_ + 2 < pages_.size())
                giveStepOn(next, built);
        }
        show(current_ + 1);
    }
    writing_ = false;
}

void WenBenText::show(std::size_t index)
{
    current_ = index;
    QTextDocument& shown = document();
    // A new font makes the document lay out every line anew.
    if (shown.defaultFont() != edit_.font())
        shown.setDefaultFont(edit_.font());
    // Handed a document, the widget lays out all of its lines again.
    if (edit_.document() != &shown) {
        const bool wasWriting = std::exchange(writing_, true);
        edit_.setDocument(&shown);
        writing_ = wasWriting;
    }
    written_.reset();
    lastPosition_ = undoPosition();
    freezeFarPages();
}

void WenBenText::freezeFarPages()
{
    for (std::size_t i = 1; i < pages_.size(); ++i) {
        Page& far = pages_[i];
        if (!far.document || far.ownSteps || (i + 1 >= current_ && i <= current_ + 1))
            continue;
        // Its text is what its opening step left, wherever its history
        // stands: the steps on either side of that change nothing.
        // Kept as the document gives it, its line breaks as U+2029, which
        // a page built again reads as line breaks too.
        if (!far.exact.count(far.openedAt))
            far.frozen = far.document->toRawText();
        far.document.reset();
        far.stepOnAt.reset();
    }
}

// A step for Redo to take on to the next page: taken, then undone.
void WenBenText::giveStepOn(Page& page, QTextDocument& document)
{
    takeStep(document);
    page.stepOnAt = document.availableUndoSteps();
    document.undo();
}

QTextDocument& WenBenText::thaw(Page& page)
{
    if (!page.document) {
        const auto known = page.exact.find(page.openedAt);
        page.document = buildPage(known != page.exact.end() ? viewAsQString(known->second) : *page.frozen);
        page.frozen.reset();
        watch(*page.document);
    }
    return *page.document;
}

void WenBenText::dropLaterPages()
{
    pages_.erase(pages_.begin() + std::ptrdiff_t(current_ + 1), pages_.end());
}

const Text* WenBenText::exactText() const
{
    const auto& exact = pages_[current_].exact;
    const auto known = exact.find(undoPosition());
    return known != exact.end() ? &known->second : nullptr;
}

Text WenBenText::text() const
{
    // Reading settles the history as every later step would; nothing the
    // user sees changes but the page Qt's Undo or Redo already went to.
    const_cast<WenBenText*>(this)->settle();
    if (pending_)
        return *pending_;
    if (const Text* exact = exactText())
        return *exact;
    if (written_)
        return *written_;
    return widgetText();
}

Text WenBenText::widgetText() const
{
    // Each paragraph ends in U+2029 in the raw text; plain text has LF there.
    // toPlainText() would also turn no-break spaces into spaces.
    QString raw = document().toRawText();
    raw.replace(QChar::ParagraphSeparator, u'\n');
    return raw.toStdU16String();
}

void WenBenText::setText(Text text)
{
    pending_ = std::move(text);
    pendingEdits_.reset();
    pendingPage_.reset();
}

void WenBenText::setConvertedWhole(const Text& text, CheckState state)
{
    // The page takes the result in as it is converted, on the other core:
    // taking a text in costs the widget far more than converting it.
    Text result;
    std::unique_ptr<QTextDocument> built = takeIn(text, [&](QTextCursor& end) {
        result =
            convertInPieces(text, state, [&end](std::u16string_view piece) { end.insertText(viewAsQString(piece)); });
    });
    setText(std::move(result));
    pendingPage_ = std::move(built);
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
    return document().availableUndoSteps();
}

void WenBenText::forgetFrom(int position)
{
    auto& exact = page().exact;
    exact.erase(exact.lower_bound(position), exact.end());
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

void WenBenText::commit()
{
    if (!pending_)
        return;
    Text text = std::move(*pending_);
    pending_.reset();
    if (std::optional<std::vector<Placed>> placed = std::exchange(pendingEdits_, std::nullopt))
        editInPlace(std::move(text), *placed);
    else if (std::unique_ptr<QTextDocument> built = std::move(pendingPage_))
        addPage(std::move(built), std::move(text));
    else
        openPage(std::move(text));
}

// A document for a page, with the widget's plain-text layout from the start:
// without one, Qt would make a rich-text layout on the way, which lays out
// all of the text (seconds for a long line).
std::unique_ptr<QTextDocument> WenBenText::newPage() const
{
    auto page = std::make_unique<QTextDocument>();
    page->setDocumentLayout(new QPlainTextDocumentLayout(page.get()));
    page->setDefaultFont(edit_.font());
    return page;
}

// A new page takes its text in once the widget shows it, as setPlainText()
// does, with no history: the widget lays out every line of a document it is
// handed, at a cost in time and memory for each, but only the lines it shows
// of a text that comes in. That is, but for a very long line, which the
// widget would lay out at once, for seconds: a text with one is built aside
// and handed over. Until the command's commit the history is as it was; a
// failure on the way shows the page of before again.
std::unique_ptr<QTextDocument> WenBenText::takeIn(const Text& text, const std::function<void(QTextCursor&)>& fill)
{
    std::unique_ptr<QTextDocument> built = newPage();
    built->setUndoRedoEnabled(false);
    const bool wasWriting = std::exchange(writing_, true);
    if (!hasLineLongerThan(text, LongestLineShownAtOnce))
        edit_.setDocument(built.get());
    try {
        QTextCursor end(built.get());
        end.beginEditBlock();
        fill(end);
        end.endEditBlock();
    } catch (...) {
        if (edit_.document() != &document())
            edit_.setDocument(&document());
        writing_ = wasWriting;
        throw;
    }
    writing_ = wasWriting;
    open(*built);
    return built;
}

// Its history from here on: the opening step first.
void WenBenText::open(QTextDocument& built)
{
    built.setUndoRedoEnabled(true);
    takeStep(built);
    built.setModified(false);
}

// Built aside, for a page that was frozen and is shown again.
std::unique_ptr<QTextDocument> WenBenText::buildPage(const QString& text) const
{
    std::unique_ptr<QTextDocument> built = newPage();
    built->setUndoRedoEnabled(false);
    built->setPlainText(text);
    open(*built);
    return built;
}

void WenBenText::openPage(Text text)
{
    std::unique_ptr<QTextDocument> built =
        takeIn(text, [&text](QTextCursor& end) { end.insertText(viewAsQString(text)); });
    addPage(std::move(built), std::move(text));
}

void WenBenText::addPage(std::unique_ptr<QTextDocument> built, Text text)
{
    forgetFrom(undoPosition() + 1); // the steps that Redo had are replaced
    dropLaterPages();
    watch(*built);
    const int openedAt = built->availableUndoSteps();
    pages_.push_back({std::move(built), {}, {}, {}, openedAt, false});
    show(pages_.size() - 1);
    keepWritten(std::move(text));
}

void WenBenText::editInPlace(Text text, const std::vector<Placed>& placed)
{
    forgetFrom(undoPosition() + 1);
    dropLaterPages();
    page().ownSteps = true;
    writing_ = true;
    QTextCursor cursor(&document());
    cursor.beginEditBlock();
    for (auto e = placed.rbegin(); e != placed.rend(); ++e) {
        cursor.setPosition(e->start);
        cursor.setPosition(e->end, QTextCursor::KeepAnchor);
        cursor.insertText(e->replacement);
    }
    cursor.endEditBlock();
    // What the user types next is a step of its own, not part of this one.
    document().setModified(false);
    writing_ = false;
    lastPosition_ = undoPosition();
    keepWritten(std::move(text));
}

void WenBenText::keepWritten(Text text)
{
    if (widgetWouldBend(text)) {
        page().exact.insert_or_assign(undoPosition(), std::move(text));
        written_.reset();
    } else {
        written_ = std::move(text);
    }
}

} // namespace tagwell
