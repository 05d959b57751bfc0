// Form1, the program's only window: a row of five buttons and a check box
// above the text area WenBen, which holds the document.
//
// How input flows: each button's click runs one command of core/commands.h
// to its end. The commands read and write the whole text through
// WenBenText, which holds what a command writes and hands it to the widget
// once, when the command ends or before a failure is reported: one change of
// the widget's text (for a Convert of few signs, only the signs and tags) and
// one step of its Undo. A command that fails leaves the last text it finished
// and shows a message; the program goes on. While a command runs the cursor
// is busy.
//
// The controls come from one table: each row names the member it fills, its
// caption, its place in twips (15 to a logical pixel) and the command a click
// runs; the rows are in tab order. At load the window measures how far
// WenBen's right and bottom edges lie from its own; every resize keeps those
// distances.
#pragma once

#include "core/commands.h"
#include "platform/platform.h"

#include <QWidget>

#include <functional>
#include <map>
#include <optional>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QTextCursor;

namespace tagwell {

inline constexpr int TwipsPerPixel = 15;

// The document as the commands see it, kept exact: a text that the program
// wrote is read back as written (CR LF, lone CR, NUL, lone surrogates, which
// the widget cannot hold as they are) until the user edits it; after an edit
// it is read from the widget. Each command's writes reach the widget as one
// step of its undo history, and Undo or Redo back to a text the program wrote
// brings back that text exactly.
class WenBenText : public QObject, public TextArea {
public:
    explicit WenBenText(QPlainTextEdit& edit);

    Text text() const override;
    void setText(Text text) override;

    // Hands the text written since the last call to the widget.
    void commit();
    // The same, for a Convert that ran to its end on the text it first read:
    // where the text has few signs and tags, only they are edited in place.
    void commitConversion(CheckState state);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Text widgetText() const;
    int undoPosition() const;
    void forgetFrom(int position);
    void write(Text text, const std::function<void(QTextCursor&)>& edit);
    void noticeEdit();

    QPlainTextEdit& edit_;
    std::optional<Text> pending_;
    // By position in the undo history: the texts the program wrote there
    // that the widget would not give back as they were written.
    std::map<int, Text> exact_;
    int lastPosition_ = 0;
    bool writing_ = false;
};

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

    static QString helpAddress();

    QPlainTextEdit* WenBen = nullptr;
    QCheckBox* Pre = nullptr;
    QPushButton* ZhanTie = nullptr;
    QPushButton* ZhuanHuan = nullptr;
    QPushButton* FuZhi = nullptr;
    QPushButton* QingKong = nullptr;
    QPushButton* GuanWang = nullptr;

    int HeightMargin = 0;
    int WidthMargin = 0;

    WenBenText& document() { return *document_; }

public slots:
    // Also where a failure that the launcher learns of only later arrives.
    void reportFailure(const QString& message);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Control;
    static const Control controls[];

    // What the buttons' clicks run.
    void paste();
    void convert();
    void copy();
    void clear();
    void openHelp();

    void measureMargins();
    void runCommand(void (Form1::*command)());

    Clipboard& clipboard_;
    Launcher& launcher_;
    std::optional<WenBenText> document_; // once WenBen exists
    FailureReporter reportFailure_;
    bool activated_ = false;
};

} // namespace tagwell
