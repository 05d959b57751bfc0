// WenBen's document as the commands see it, kept exact: a text that the
// program wrote is read back as written (CR LF, lone CR, NUL, lone
// surrogates, which the widget cannot hold as they are) until the user edits
// it; after an edit it is read from the widget. A command's writes wait here
// until its commit, which hands them to the widget as one step of Undo.
//
// The history is a row of Qt documents, one a page: a command that replaces
// the whole text opens a new page, shown empty and then taking the text in,
// so that neither the old text's removal nor its return on Undo costs the
// widget a thing; a Convert of few signs edits the page in place. Typing is the
// page's own Qt history. Each page after the first begins with a step that
// changes nothing visible: undoing it is undoing the command, which shows the
// page before (at its end, with one such step to redo that leads back). The
// widget's own Undo and Redo, by key or by its menu, go to a page's ends;
// settle() then turns the page.
#pragma once

#include "core/commands.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QPlainTextEdit;
class QTextCursor;
class QTextDocument;

namespace tagwell {

class WenBenText : public QObject, public TextArea {
public:
    explicit WenBenText(QPlainTextEdit& edit);
    ~WenBenText() override;

    Text text() const override;
    void setText(Text text) override;
    std::optional<InPlaceCosts> inPlaceCosts() const override;
    void setConverted(ConversionPlan plan) override;
    void setConvertedWhole(const Text& text, CheckState state) override;
    void commit() override;

    // Shows the page that the widget's last Undo or Redo went past the end
    // of; before anything reads the text or moves in the history.
    void settle();

private:
    // A page far from the one shown, holding nothing but the text a command
    // wrote, keeps that text alone: a Qt document keeps a layout for each of
    // its lines once shown (a quarter of a gigabyte for a 100 MiB text).
    struct Page {
        std::unique_ptr<QTextDocument> document; // none while frozen
        std::optional<QString> frozen;           // its text then, where not in `exact`
        // By position in the page's undo history: the texts the program
        // wrote there that the widget would not give back as written.
        std::map<int, Text> exact;
        // Where its step on to the next page stands, once it has one.
        std::optional<int> stepOnAt;
        // Where its history stands right after its opening step, and whether
        // it has steps of its own beyond it (typing, a Convert in place).
        int openedAt = 0;
        bool ownSteps = false;
    };
    // A replacement in the widget's positions, which hold a CR LF as one
    // line break.
    struct Placed {
        int start, end;
        QString replacement;
    };
    enum class Turn { None, Back, Forward };

    QTextDocument& document() const;
    Page& page() { return pages_[current_]; }
    const Text* exactText() const;
    Text widgetText() const;
    int undoPosition() const;
    void forgetFrom(int position);
    std::unique_ptr<QTextDocument> newPage() const;
    std::unique_ptr<QTextDocument> takeIn(const Text& text, const std::function<void(QTextCursor&)>& fill);
    static void open(QTextDocument& built);
    void openPage(Text text);
    void addPage(std::unique_ptr<QTextDocument> built, Text text);
    void show(std::size_t index);
    void dropLaterPages();
    void freezeFarPages();
    std::unique_ptr<QTextDocument> buildPage(const QString& text) const;
    QTextDocument& thaw(Page& page);
    static void giveStepOn(Page& page, QTextDocument& document);
    void editInPlace(Text text, const std::vector<Placed>& placed);
    void keepWritten(Text text);
    void watch(QTextDocument& document);
    void changed(QTextDocument* document);
    void noticeEdit();

    QPlainTextEdit& edit_;
    std::vector<Page> pages_;
    std::size_t current_ = 0;
    Turn turn_ = Turn::None;
    std::optional<Text> pending_;
    std::optional<std::vector<Placed>> pendingEdits_; // in place, for pending_
    std::unique_ptr<QTextDocument> pendingPage_;      // built already, for pending_
    // The text the program last wrote, while the widget shows it as it was
    // written: read without asking the widget.
    std::optional<Text> written_;
    int lastPosition_ = 0;
    bool writing_ = false;
};

} // namespace tagwell
