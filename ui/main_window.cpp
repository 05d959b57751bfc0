#include "ui/main_window.h"
#include "core/conversion_edits.h"
#include "tagwell_version.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <new>
#include <type_traits>
#include <utility>
#include <variant>

using namespace Qt::StringLiterals;

namespace tagwell {

namespace {

constexpr int ClientWidth = 7560;  // twips
constexpr int ClientHeight = 5520; // twips

int pixels(int twips)
{
    return twips / TwipsPerPixel;
}

double twips(int pixels)
{
    return double(pixels) * TwipsPerPixel;
}

// Rounds to the nearest integer, ties to even, as the margins are defined.
int roundToEven(double value)
{
    return int(std::nearbyint(value));
}

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

// One edit in place costs about as much as replacing a hundred characters of
// the whole text: with fewer edits than that, in place is faster
// (tagwell-bench measures both ways). Within a very long line every edit
// costs in proportion to the line, so such a text is replaced whole.
constexpr std::size_t CharactersPerEditInPlace = 100;
constexpr std::size_t LongestLineInPlace = 16 * 1024;
// Edits at most this far apart on a line are made as one.
constexpr std::size_t MaxGapJoined = 24;

// A character that the document keeps inside its line as it is.
bool plainInLine(char16_t c)
{
    return (c >= 0x20 && c < 0x7F) || c == u'\t' || (c >= 0xA0 && c < 0x2028) || (c > 0x2029 && c < 0xD800);
}

std::size_t longestLine(std::u16string_view text)
{
    std::size_t longest = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find_first_of(u"\r\n", start), text.size());
        longest = std::max(longest, end - start);
        start = end + 1;
    }
    return longest;
}

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
    edit_.installEventFilter(this);
}

Text WenBenText::text() const
{
    if (pending_)
        return *pending_;
    if (const auto known = exact_.find(undoPosition()); known != exact_.end())
        return known->second;
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
    // fromStdU16String() would drop a byte order mark at the start, and
    // byte-swap the whole text after a swapped one.
    const QString shown = QStringView(text).toString();
    write(std::move(text), [&shown](QTextCursor& cursor) {
        cursor.select(QTextCursor::Document);
        cursor.insertText(shown);
    });
}

void WenBenText::commitConversion(CheckState state)
{
    if (!pending_)
        return;
    // The widget has not changed since the command read the text.
    Text read;
    const auto known = exact_.find(undoPosition());
    const Text& original = known != exact_.end() ? known->second : (read = widgetText());
    // Edits close together on one line go to the widget as one: each edit
    // costs far more than the few characters between two. Gathering them is a
    // quick look at the text, which decides whether editing in place pays.
    auto joinable = [&original](std::size_t from, std::size_t to) {
        return to - from <= MaxGapJoined &&
               std::all_of(original.begin() + std::ptrdiff_t(from), original.begin() + std::ptrdiff_t(to), plainInLine);
    };
    struct Group {
        std::size_t start, end, edits;
    };
    std::vector<Group> groups;
    bool joinsLineBreak = false;
    forEachConversionEdit(std::u16string_view(original), state, [&](const Edit& e) {
        // Removing a tag between CR and LF would make one line break of two
        // for the text, but not for the document.
        if (e.replacement.empty() && e.start > 0 && original[e.start - 1] == u'\r')
            joinsLineBreak = true;
        if (!groups.empty() && joinable(groups.back().end, e.start)) {
            groups.back().end = e.end;
            ++groups.back().edits;
        } else {
            groups.push_back({e.start, e.end, 1});
        }
    });
    if (joinsLineBreak || groups.size() * CharactersPerEditInPlace > original.size() ||
        longestLine(original) > LongestLineInPlace)
        return commit();

    // Positions in the document, which holds a CR LF as one line break.
    struct Placed {
        int start, end;
        QString replacement;
    };
    std::vector<Placed> placed;
    placed.reserve(groups.size());
    std::size_t pairs = 0;
    std::size_t nextPair = original.find(u"\r\n");
    auto position = [&](std::size_t index) {
        while (nextPair != Text::npos && nextPair + 2 <= index) {
            ++pairs;
            nextPair = original.find(u"\r\n", nextPair + 2);
        }
        return int(index - pairs);
    };
    auto group = groups.begin();
    std::size_t at = group->start;
    std::size_t editsLeft = group->edits;
    QString replacement;
    forEachConversionEdit(std::u16string_view(original), state, [&](const Edit& e) {
        replacement.append(QStringView(original).sliced(qsizetype(at), qsizetype(e.start - at)));
        replacement.append(QLatin1StringView(e.replacement.data(), qsizetype(e.replacement.size())));
        at = e.end;
        if (--editsLeft == 0) {
            const int start = position(group->start);
            placed.push_back({start, position(group->end), std::exchange(replacement, QString())});
            if (++group != groups.end()) {
                at = group->start;
                editsLeft = group->edits;
            }
        }
    });

    Text converted = std::move(*pending_);
    pending_.reset();
    write(std::move(converted), [&placed](QTextCursor& cursor) {
        for (auto e = placed.rbegin(); e != placed.rend(); ++e) {
            cursor.setPosition(e->start);
            cursor.setPosition(e->end, QTextCursor::KeepAnchor);
            cursor.insertText(e->replacement);
        }
    });
}

bool WenBenText::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &edit_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Shift+Enter would put a line separator into the text, which is no
        // line break in the converted text: it starts a line as Enter does.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && (key->modifiers() & Qt::ShiftModifier)) {
            QKeyEvent plain(QEvent::KeyPress, key->key(), key->modifiers() & ~Qt::ShiftModifier, key->text(),
                            key->isAutoRepeat(), key->count());
            QCoreApplication::sendEvent(&edit_, &plain);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

CheckState checkStateOf(const QCheckBox& box)
{
    switch (box.checkState()) {
    case Qt::Unchecked:
        return CheckState::Unchecked;
    case Qt::Checked:
        return CheckState::Checked;
    case Qt::PartiallyChecked:
        return CheckState::Grayed;
    }
    return CheckState::Unchecked;
}

namespace {

class PreBox : public CheckBox {
public:
    explicit PreBox(const QCheckBox& box) : box_(box) {}
    CheckState checkState() const override { return checkStateOf(box_); }

private:
    const QCheckBox& box_;
};

// Enter presses the focused button as Space does, as on Windows, though no
// button is a default button (Qt's buttons take Enter only as defaults). Tab
// leaves the text area, so Ctrl+Tab types a tab there; Ctrl+Y redoes there,
// as Windows programs have it, beside Ctrl+Shift+Z.
class DesktopKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (auto* button = qobject_cast<QPushButton*>(watched)) {
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
                button->click();
                return true;
            }
        } else if (auto* edit = qobject_cast<QPlainTextEdit*>(watched)) {
            if (key->key() == Qt::Key_Tab && modifiers == Qt::ControlModifier) {
                edit->insertPlainText(u"\t"_s);
                return true;
            }
            if (key->key() == Qt::Key_Y && modifiers == Qt::ControlModifier) {
                edit->redo();
                return true;
            }
        }
        return false;
    }
};

// Qt presents a top-level QWidget as a client area ("filler" to AT-SPI);
// screen readers should announce Form1 as a window, named by its caption.
QAccessibleInterface* accessibleForm(const QString& className, QObject* object)
{
    if (className != QLatin1StringView(Form1::staticMetaObject.className()) || !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

void announceFormsAsWindows()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleForm);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

// A row of the control table. The member's type says which kind of control
// the row makes.
struct Form1::Control {
    using Member = std::variant<QPushButton * Form1::*, QCheckBox * Form1::*, QPlainTextEdit * Form1::*>;
    Member member;
    const char16_t* name;
    const char16_t* caption;
    int left, top, width, height; // twips
    void (Form1::*click)() = nullptr;
};

// In tab order.
const Form1::Control Form1::controls[] = {
    {&Form1::ZhanTie, u"ZhanTie", u"粘贴", 120, 120, 975, 375, &Form1::paste},
    {&Form1::ZhuanHuan, u"ZhuanHuan", u"转换", 1200, 120, 975, 375, &Form1::convert},
    {&Form1::FuZhi, u"FuZhi", u"复制", 2280, 120, 975, 375, &Form1::copy},
    {&Form1::QingKong, u"QingKong", u"清空", 3360, 120, 975, 375, &Form1::clear},
    {&Form1::GuanWang, u"GuanWang", u"查看帮助/更新", 4440, 120, 1575, 375, &Form1::openHelp},
    {&Form1::Pre, u"Pre", u"清除pre标签", 6240, 120, 1335, 375},
    {&Form1::WenBen, u"WenBen", u"", 0, 600, 7575, 4935},
};

namespace {

template <class Widget> Widget* makeControl(const char16_t* caption, QWidget* parent)
{
    if constexpr (std::is_same_v<Widget, QPlainTextEdit>)
        return new QPlainTextEdit(parent);
    else
        return new Widget(QString::fromUtf16(caption), parent);
}

} // namespace

Form1::Form1(Clipboard& clipboard, Launcher& launcher, QWidget* parent)
    : QWidget(parent), clipboard_(clipboard), launcher_(launcher),
      reportFailure_(
          [](QWidget* owner, const QString& message) { QMessageBox::critical(owner, owner->windowTitle(), message); })
{
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Tagwell " TAGWELL_VERSION_SHORT "  - 作者:Zorvik"_s);
    resize(pixels(ClientWidth), pixels(ClientHeight));

    auto* keys = new DesktopKeys(this);
    QWidget* previous = nullptr;
    for (const Control& c : controls) {
        QWidget* widget = std::visit(
            [&](auto member) -> QWidget* {
                using Widget = std::remove_pointer_t<std::remove_reference_t<decltype(this->*member)>>;
                return this->*member = makeControl<Widget>(c.caption, this);
            },
            c.member);
        widget->setObjectName(QString::fromUtf16(c.name));
        widget->setGeometry(pixels(c.left), pixels(c.top), pixels(c.width), pixels(c.height));
        if (previous != nullptr)
            setTabOrder(previous, widget);
        previous = widget;
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            button->installEventFilter(keys);
            if (c.click != nullptr)
                connect(button, &QPushButton::clicked, this, [this, click = c.click] { runCommand(click); });
        }
    }

    Pre->setCheckState(Qt::Checked);
    WenBen->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    WenBen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    WenBen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    WenBen->setTabChangesFocus(true);
    WenBen->setAccessibleName(u"文本"_s);
    WenBen->installEventFilter(keys);
    announceFormsAsWindows();
    document_.emplace(*WenBen);

    // The window's load: the margins come from the layout as built, before
    // the window is shown.
    measureMargins();
}

Form1::~Form1() = default;

void Form1::setFailureReporter(FailureReporter reporter)
{
    reportFailure_ = std::move(reporter);
}

void Form1::reportFailure(const QString& message)
{
    reportFailure_(this, message);
}

QString Form1::helpAddress()
{
    return u"https://"_s + QStringLiteral(TAGWELL_HELP_HOST) + u"/apps/soft/?tagwell"_s;
}

void Form1::measureMargins()
{
    HeightMargin = roundToEven(twips(height()) - twips(WenBen->height()));
    WidthMargin = roundToEven(twips(width()) - twips(WenBen->width()));
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const double available = twips(height()) - HeightMargin;
    if (available <= 0)
        return;
    // Height first, then width, always together.
    WenBen->resize(WenBen->width(), pixels(int(available)));
    WenBen->resize(pixels(int(twips(width()) - WidthMargin)), WenBen->height());
}

bool Form1::event(QEvent* event)
{
    // Only the first activation gives the text area the focus: coming back
    // from another program leaves it where the user had it.
    if (event->type() == QEvent::WindowActivate && !activated_) {
        activated_ = true;
        WenBen->setFocus(Qt::ActiveWindowFocusReason);
    }
    return QWidget::event(event);
}

void Form1::paste()
{
    tagwell::paste(*document_, clipboard_);
}

void Form1::convert()
{
    tagwell::convert(*document_, PreBox(*Pre));
    document_->commitConversion(checkStateOf(*Pre));
}

void Form1::copy()
{
    tagwell::copy(*document_, clipboard_);
}

void Form1::clear()
{
    tagwell::clear(*document_);
}

void Form1::openHelp()
{
    launcher_.openUrl(helpAddress());
}

void Form1::runCommand(void (Form1::*command)())
{
    QString failure;
    {
        // A big text, a slow clipboard or a slow start of the browser can keep
        // a command running for seconds: the cursor says the window is at work
        // until the command is over, message or not.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        try {
            (this->*command)();
        } catch (const PlatformError& error) {
            failure = error.message();
        } catch (const std::bad_alloc&) {
            failure = u"内存不足，操作未完成。文本保留为最后完成的步骤。\n"
                      "Out of memory: the command stopped; the text is as its last finished step left it."_s;
        } catch (const std::exception& error) {
            failure = u"操作失败。\nThe command failed: "_s + QString::fromLocal8Bit(error.what());
        }
        // Whatever the command finished reaches the screen before any message.
        try {
            document_->commit();
        } catch (const std::bad_alloc&) {
            failure = u"内存不足，无法显示文本。\nOut of memory: the text could not be shown."_s;
        }
    }
    if (!failure.isEmpty())
        reportFailure(failure);
}

} // namespace tagwell
