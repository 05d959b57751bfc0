#include "ui/main_window.h"

#include "platform/qt_text.h"
#include "ui/accessibility.h"
#include "ui/keys.h"

#include <QCheckBox>
#include <QEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace tagwell {

namespace {

int pixels(double twips)
{
    return int(twips) / TwipsPerPixel;
}

double twips(int pixels)
{
    return double(pixels) * TwipsPerPixel;
}

layout::Size twipsOf(const QSize& size)
{
    return {twips(size.width()), twips(size.height())};
}

QWidget* makeControl(const form::Control& row, QWidget* parent)
{
    switch (row.kind) {
    case form::Kind::Button:
        return new QPushButton(toQString(row.caption), parent);
    case form::Kind::CheckBox:
        return new QCheckBox(toQString(row.caption), parent);
    case form::Kind::TextArea:
        return new QPlainTextEdit(parent);
    }
    return nullptr;
}

class PreBox : public CheckBox {
public:
    explicit PreBox(const QCheckBox& box) : box_(box) {}
    CheckState checkState() const override { return checkStateOf(box_); }

private:
    const QCheckBox& box_;
};

} // namespace

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

Form1::Form1(Clipboard& clipboard, Launcher& launcher, QWidget* parent)
    : QWidget(parent), clipboard_(clipboard), launcher_(launcher),
      reportFailure_(
          [](QWidget* owner, const QString& message) { QMessageBox::critical(owner, owner->windowTitle(), message); })
{
    setObjectName(u"Form1"_s);
    setWindowTitle(toQString(form::Caption));
    resize(pixels(form::ClientWidth), pixels(form::ClientHeight));

    QWidget* previous = nullptr;
    for (std::size_t i = 0; i < form::Controls.size(); ++i) {
        const form::Control& row = form::Controls[i];
        QWidget* widget = controls_[i] = makeControl(row, this);
        widget->setObjectName(toQString(row.name));
        widget->setGeometry(pixels(row.left), pixels(row.top), pixels(row.width), pixels(row.height));
        if (previous != nullptr)
            setTabOrder(previous, widget);
        previous = widget;
        if (auto* button = qobject_cast<QPushButton*>(widget); button && row.click)
            connect(button, &QPushButton::clicked, this, [this, command = *row.click] { runCommand(command); });
    }
    ZhanTie = control<QPushButton>(form::Id::ZhanTie);
    ZhuanHuan = control<QPushButton>(form::Id::ZhuanHuan);
    FuZhi = control<QPushButton>(form::Id::FuZhi);
    QingKong = control<QPushButton>(form::Id::QingKong);
    GuanWang = control<QPushButton>(form::Id::GuanWang);
    Pre = control<QCheckBox>(form::Id::Pre);
    WenBen = control<QPlainTextEdit>(form::Id::WenBen);

    Pre->setCheckState(form::PreAtStart == CheckState::Checked ? Qt::Checked : Qt::Unchecked);
    // Long lines wrap at the right edge, under a vertical bar that is always
    // there; Tab moves the focus on, as in every other control.
    WenBen->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    WenBen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    WenBen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    WenBen->setTabChangesFocus(true);
    WenBen->setAccessibleName(toQString(form::TextAreaName));
    announceFormsAsWindows();
    document_.emplace(*WenBen);
    auto* keys = new DesktopKeys(*document_, this);
    for (std::size_t i = 0; i < form::Controls.size(); ++i)
        if (form::Controls[i].kind != form::Kind::CheckBox)
            keys->watch(*controls_[i]);

    // The window's load: the margins come from the layout as built, before
    // the window is shown.
    const layout::Margins margins = layout::measure(twipsOf(size()), twipsOf(WenBen->size()));
    HeightMargin = margins.height;
    WidthMargin = margins.width;
}

Form1::~Form1() = default;

template <class Widget> Widget* Form1::control(form::Id id) const
{
    auto* widget = qobject_cast<Widget*>(controls_[std::size_t(id)]);
    Q_ASSERT(widget != nullptr);
    return widget;
}

void Form1::setFailureReporter(FailureReporter reporter)
{
    reportFailure_ = std::move(reporter);
}

void Form1::reportFailure(Failure failure)
{
    report(messageFor(failure));
}

void Form1::report(const std::u16string& message)
{
    reportFailure_(this, toQString(message));
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const std::optional<layout::Size> area = layout::textAreaSize({HeightMargin, WidthMargin}, twipsOf(size()));
    if (!area)
        return;
    // Height first, then width, always together.
    WenBen->resize(WenBen->width(), pixels(area->height));
    WenBen->resize(pixels(area->width), WenBen->height());
}

bool Form1::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && !activated_) {
        activated_ = true;
        controls_[std::size_t(form::FocusAtFirstActivation)]->setFocus(Qt::ActiveWindowFocusReason);
    }
    return QWidget::event(event);
}

void Form1::runCommand(Command command)
{
    std::optional<std::u16string> failure;
    {
        // A big text, a slow clipboard or a slow start of the browser can keep
        // a command running for seconds: the cursor says the window is at work
        // until the command is over, message or not.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        const PreBox pre(*Pre);
        failure = run(command, {*document_, pre, clipboard_, launcher_});
    }
    if (failure)
        report(*failure);
}

void connectLateFailures(Form1& window, LateFailures& clipboard, LateFailures& launcher)
{
    for (LateFailures* source : {&clipboard, &launcher})
        QObject::connect(source, &LateFailures::lateFailure, &window, &Form1::reportFailure);
}

} // namespace tagwell
