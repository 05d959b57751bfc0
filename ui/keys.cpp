#include "ui/keys.h"

#include "ui/wenben_document.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

using namespace Qt::StringLiterals;

namespace tagwell {

bool DesktopKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (auto* button = qobject_cast<QPushButton*>(watched)) {
        if (enter && modifiers == Qt::NoModifier) {
            button->click();
            return true;
        }
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(watched)) {
        if (enter && (modifiers & ~Qt::ShiftModifier) == Qt::NoModifier) {
            if (!edit->isReadOnly()) {
                QTextCursor cursor = edit->textCursor();
                cursor.insertBlock();
                edit->setTextCursor(cursor);
                edit->ensureCursorVisible();
            }
            return true;
        }
        if (key->key() == Qt::Key_Tab && modifiers == Qt::ControlModifier) {
            edit->insertPlainText(u"\t"_s);
            return true;
        }
        const bool redoY = key->key() == Qt::Key_Y && modifiers == Qt::ControlModifier;
        if (redoY || key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo))
            document_.settle();
        if (redoY) {
            edit->redo();
            return true;
        }
    }
    return false;
}

} // namespace tagwell
