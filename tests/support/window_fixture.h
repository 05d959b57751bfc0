// Stand-ins for the desktop in window tests: a clipboard and a launcher that
// record what they are asked and fail on demand, and a window built on them.
#pragma once

#include "platform/platform.h"
#include "ui/main_window.h"

#include <QStringList>

struct FakeClipboard : tagwell::Clipboard {
    tagwell::Text text() const override
    {
        if (failReads)
            throw tagwell::PlatformError(QStringLiteral("clipboard read failed"));
        return content;
    }
    void setText(const tagwell::Text& text) override
    {
        if (failWrites)
            throw tagwell::PlatformError(QStringLiteral("clipboard write failed"));
        content = text;
    }
    tagwell::Text content;
    bool failReads = false;
    bool failWrites = false;
};

struct FakeLauncher : tagwell::Launcher {
    void openUrl(const QString& url) override
    {
        opened << url;
        if (fail)
            throw tagwell::PlatformError(QStringLiteral("no browser"));
    }
    QStringList opened;
    bool fail = false;
};

// A Form1 on the stand-ins, its failure messages collected instead of shown.
struct FakeDesktopWindow {
    FakeClipboard clipboard;
    FakeLauncher launcher;
    tagwell::Form1 form{clipboard, launcher};
    QStringList failures;

    FakeDesktopWindow()
    {
        form.setFailureReporter([this](QWidget*, const QString& message) { failures << message; });
    }
};
