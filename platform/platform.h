// What the window needs from the desktop beyond its own controls: the system
// clipboard (as the commands' Clipboard) and handing a web address to the
// default browser. Failures are PlatformError, with a message for the user.
#pragma once

#include "core/commands.h"

#include <QObject>
#include <QString>

#include <functional>
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
// known at once is thrown; one that the launching program only reports once
// it has run (no browser could be started) goes to the callback given at
// construction, later, on the event loop.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual void openUrl(const QString& url) = 0;
};

class DesktopLauncher : public QObject, public Launcher {
    Q_OBJECT

public:
    using FailureCallback = std::function<void(const QString& message)>;
    explicit DesktopLauncher(FailureCallback onLateFailure, QObject* parent = nullptr);
    void openUrl(const QString& url) override;

private:
    FailureCallback onLateFailure_;
};

QString launchFailureMessage(const QString& url);

} // namespace tagwell
