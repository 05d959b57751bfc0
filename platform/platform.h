// What the window needs from the desktop beyond its own controls: the system
// clipboard (as the commands' Clipboard) and handing a web address to the
// default browser. Failures are PlatformError, with a message for the user.
#pragma once

#include "core/commands.h"

#include <QObject>
#include <QString>

#include <stdexcept>

namespace tagwell {

class PlatformError : public std::runtime_error {
public:
    explicit PlatformError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
    QString message() const { return message_; }

private:
    QString message_;
};

// The clipboard proper (not the X11 primary selection), plain text only.
// Files or a picture without text read as an empty text. An owner that does
// not answer within a few seconds, or refuses the text it offers, is a
// failure; so is a Copy after which another program holds the clipboard.
class SystemClipboard : public Clipboard {
public:
    Text text() const override;
    void setText(const Text& text) override;

    static QString readFailureMessage();
    static QString writeFailureMessage();
};

// Opens a web address without waiting for the browser. A failure that is
// known at once is thrown; one that shows only once the launching program has
// run (no browser could be started) is signalled later, from the event loop.
class Launcher : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    virtual void openUrl(const QString& url) = 0;

signals:
    void lateFailure(const QString& message);
};

// Hands the address to the desktop's opener (xdg-open on Linux and the BSDs).
class DesktopLauncher : public Launcher {
    Q_OBJECT

public:
    using Launcher::Launcher;
    void openUrl(const QString& url) override;
};

QString launchFailureMessage(const QString& url);

} // namespace tagwell
