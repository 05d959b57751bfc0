// Form1, the program's only window on Linux: a row of five buttons and a
// check box above the text area WenBen, which holds the document.
//
// The window is built from the form's rows (core/form.h) in one loop: each
// row's kind makes a widget, named, captioned and placed by the row, its
// twips turned into logical pixels (15 to one), in tab order. A click on a
// button runs its row's command through the core (core/commands.h) against
// WenBen's document (wenben_document.h), the box, the system clipboard and
// the launcher; the command's writes reach the widget at its commit, as one
// change and one Undo step. A failure becomes a message, shown with the
// cursor back from busy, and the program goes on; so do the failures that the
// clipboard or the launcher learn of later. At load the window measures the
// margins of core/layout.h; every resize keeps them. Keys: keys.h; what
// screen readers hear: accessibility.h.
#pragma once

#include "core/commands.h"
#include "core/form.h"
#include "core/layout.h"
#include "platform/late_failures.h"
#include "ui/wenben_document.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace tagwell {

inline constexpr int TwipsPerPixel = form::TwipsPerInch / 96;

// Pre's state in the commands' terms: 0 unchecked, 1 checked, 2 grayed.
CheckState checkStateOf(const QCheckBox& box);

class Form1 : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form1)

public:
    using FailureReporter = std::function<void(QWidget* parent, const QString& message)>;

    Form1(Clipboard& clipboard, Launcher& launcher, QWidget* parent = nullptr);
    ~Form1() override;

    // How failures reach the user; a message box unless a test says otherwise.
    void setFailureReporter(FailureReporter reporter);

    QPushButton* ZhanTie = nullptr;
    QPushButton* ZhuanHuan = nullptr;
    QPushButton* FuZhi = nullptr;
    QPushButton* QingKong = nullptr;
    QPushButton* GuanWang = nullptr;
    QCheckBox* Pre = nullptr;
    QPlainTextEdit* WenBen = nullptr;

    int HeightMargin = 0;
    int WidthMargin = 0;

    WenBenText& document() { return *document_; }

public slots:
    // A failure that a part of the desktop learns of only later.
    void reportFailure(tagwell::Failure failure);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    template <class Widget> Widget* control(form::Id id) const;
    void runCommand(Command command);
    void report(const std::u16string& message);

    Clipboard& clipboard_;
    Launcher& launcher_;
    std::array<QWidget*, form::Controls.size()> controls_{};
    std::optional<WenBenText> document_; // once WenBen exists
    FailureReporter reportFailure_;
    bool activated_ = false;
};

// How the program wires its window to the desktop: the failures that the
// clipboard and the launcher learn of later are reported by the window.
void connectLateFailures(Form1& window, LateFailures& clipboard, LateFailures& launcher);

} // namespace tagwell
