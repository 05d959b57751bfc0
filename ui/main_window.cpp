#include "ui/main_window.h"
#include "tagwell_version.h"

#include <QCheckBox>
#include <QEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>

#include <cmath>
#include <new>
#include <type_traits>
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

} // namespace

WenBenText::WenBenText(QPlainTextEdit& edit) : edit_(edit)
{
    QObject::connect(edit_.document(), &QTextDocument::contentsChanged, [this] {
        if (!writing_)
            shown_.reset();
    });
}

Text WenBenText::text() const
{
    if (pending_)
        return *pending_;
    if (shown_)
        return *shown_;
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

void WenBenText::commit()
{
    if (!pending_)
        return;
    Text text = std::move(*pending_);
    pending_.reset();
    shown_.reset(); // in case the widget fails part way
    writing_ = true;
    edit_.setPlainText(QString::fromStdU16String(text));
    writing_ = false;
    shown_ = std::move(text);
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
        if (auto* button = qobject_cast<QPushButton*>(widget); button != nullptr && c.click != nullptr)
            connect(button, &QPushButton::clicked, this, [this, click = c.click] { runCommand(click); });
    }

    Pre->setCheckState(Qt::Checked);
    WenBen->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    WenBen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    WenBen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    WenBen->setTabChangesFocus(false);
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
    if (!failure.isEmpty())
        reportFailure(failure);
}

} // namespace tagwell
