// WenBen's document as the commands see it, kept exact: a text that the
// program wrote is read back as written (CR LF, lone CR, NUL, lone
// surrogates, which the widget cannot hold as they are) until the user edits
// it; after an edit it is read from the widget. A command's writes wait here
// until its commit, which hands them to the widget as one change and one step
// of its undo history: for a Convert of few signs only the signs and tags,
// edited in place. Undo or Redo back to a text the program wrote brings back
// that text exactly.
#pragma once

#include "core/commands.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class QPlainTextEdit;
class QTextCursor;

namespace tagwell {

class WenBenText : public QObject, public TextArea {
public:
    explicit WenBenText(QPlainTextEdit& edit);

    Text text() const override;
    void setText(Text text) override;
    std::optional<InPlaceCosts> inPlaceCosts() const override;
    void setConverted(ConversionPlan plan) override;
    void commit() override;

private:
    // A replacement in the widget's positions, which hold a CR LF as one
    // line break.
    struct Placed {
        int start, end;
        QString replacement;
    };

    const Text* exactText() const;
    Text widgetText() const;
    int undoPosition() const;
    void forgetFrom(int position);
    void write(Text text, const std::function<void(QTextCursor&)>& edit);
    void noticeEdit();

    QPlainTextEdit& edit_;
    std::optional<Text> pending_;
    std::optional<std::vector<Placed>> pendingEdits_; // in place, for pending_
    // By position in the undo history: the texts the program wrote there
    // that the widget would not give back as they were written.
    std::map<int, Text> exact_;
    int lastPosition_ = 0;
    bool writing_ = false;
};

} // namespace tagwell
