// The keys as a desktop program has them, where Qt's widgets differ: Enter
// presses the focused button as Space does, though no button is a default
// button (Qt's buttons take Enter only as defaults). In the text area, where
// Tab moves the focus on, Ctrl+Tab types a tab; Enter and Shift+Enter start a
// line, one step of Undo (Qt would put a line separator there for
// Shift+Enter, which is no line break in the converted text, and makes Enter
// on an empty line two steps, the first of them invisible); Ctrl+Y redoes,
// beside Ctrl+Shift+Z. Before the keys
// of Undo and Redo the document's history is settled, so that each press
// goes on from where the last one left it.
#pragma once

#include <QObject>

namespace tagwell {

class WenBenText;

class DesktopKeys : public QObject {
public:
    explicit DesktopKeys(WenBenText& document, QObject* parent = nullptr) : QObject(parent), document_(document) {}

    // Takes the keys of a button or of the text area.
    void watch(QObject& control) { control.installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WenBenText& document_;
};

} // namespace tagwell
