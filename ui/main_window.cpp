#include "ui/main_window.h"
#include "tagwell_version.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>

#include <cmath>
#include <new>

using namespace Qt::StringLiterals;

namespace tagwell {

namespace {

enum class Kind { Button, CheckBox, TextBox };

struct Control {
    const char16_t* name;
    Kind kind;
    const char16_t* caption;
    int left, top, width, height; // twips
};

// In tab order.
const Control controls[] = {
    {u"ZhanTie", Kind::Button, u"粘贴", 120, 120, 975, 375},
    {u"ZhuanHuan", Kind::Button, u"转换", 1200, 120, 975, 375},
    {u"FuZhi", Kind::Button, u"复制", 2280, 120, 975, 375},
    {u"QingKong", Kind::Button, u"清空", 3360, 120, 975, 375},
    {u"GuanWang", Kind::Button, u"查看帮助/更新", 4440, 120, 1575, 375},
    {u"Pre", Kind::CheckBox, u"清除pre标签", 6240, 120, 1335, 375},
    {u"WenBen", Kind::TextBox, u"", 0, 600, 7575, 4935},
};

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

// Enter presses the focused button as Space does, as on Windows, though no
// button is a default button (Qt's buttons take Enter only as defaults). Tab
// leaves the text area, so Ctrl+Tab types a tab there.
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

Form1::Form1(Clipboard& clipboard, Launcher& launcher, QWidget* parent)
    : QWidget(parent), WenBen(new QPlainTextEdit(this)), clipboard_(clipboard), launcher_(launcher), document_(*WenBen),
      reportFailure_(
          [](QWidget* owner, const QString& message) { QMessageBox::critical(owner, owner->windowTitle(), message); })
{
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Tagwell " TAGWELL_VERSION_SHORT "  - 作者:Zorvik"_s);
    resize(pixels(ClientWidth), pixels(ClientHeight));

    QWidget* previous = nullptr;
    for (const Control& c : controls) {
        QWidget* widget = nullptr;
        switch (c.kind) {
        case Kind::Button:
            widget = new QPushButton(QString::fromUtf16(c.caption), this);
            break;
        case Kind::CheckBox:
            widget = Pre = new QCheckBox(QString::fromUtf16(c.caption), this);
            break;
        case Kind::TextBox:
            widget = WenBen;
            break;
        }
        widget->setObjectName(QString::fromUtf16(c.name));
        widget->setGeometry(pixels(c.left), pixels(c.top), pixels(c.width), pixels(c.height));
        if (previous != nullptr)
            setTabOrder(previous, widget);
        previous = widget;
    }
    ZhanTie = findChild<QPushButton*>(u"ZhanTie"_s);
    ZhuanHuan = findChild<QPushButton*>(u"ZhuanHuan"_s);
    FuZhi = findChild<QPushButton*>(u"FuZhi"_s);
    QingKong = findChild<QPushButton*>(u"QingKong"_s);
    GuanWang = findChild<QPushButton*>(u"GuanWang"_s);

    Pre->setCheckState(Qt::Checked);
    WenBen->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    WenBen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    WenBen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    WenBen->setTabChangesFocus(true);
    WenBen->setAccessibleName(u"文本"_s);

    auto* keys = new DesktopKeys(this);
    WenBen->installEventFilter(keys);
    for (QPushButton* button : {ZhanTie, ZhuanHuan, FuZhi, QingKong, GuanWang})
        button->installEventFilter(keys);
    announceFormsAsWindows();

    connect(ZhanTie, &QPushButton::clicked, this, [this] { runCommand([this] { paste(document_, clipboard_); }); });
    connect(ZhuanHuan, &QPushButton::clicked, this,
            [this] { runCommand([this] { convert(document_, PreBox(*Pre)); }); });
    connect(FuZhi, &QPushButton::clicked, this, [this] { runCommand([this] { copy(document_, clipboard_); }); });
    connect(QingKong, &QPushButton::clicked, this, [this] { runCommand([this] { clear(document_); }); });
    connect(GuanWang, &QPushButton::clicked, this, [this] { runCommand([this] { openHelp(); }); });

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

void Form1::openHelp()
{
    launcher_.openUrl(helpAddress());
}

void Form1::runCommand(const std::function<void()>& command)
{
    QString failure;
    try {
        command();
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
        document_.commit();
    } catch (const std::bad_alloc&) {
        failure = u"内存不足，无法显示文本。\nOut of memory: the text could not be shown."_s;
    }
    if (!failure.isEmpty())
        reportFailure(failure);
}

} // namespace tagwell
