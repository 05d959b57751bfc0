// The window on stand-ins for the desktop: the fake clipboard, a launcher
// that records the addresses it is handed and fails on demand, at once or
// later as a real one does, and Form1 on both, wired as the program wires it,
// its failure messages collected instead of shown.
#pragma once

#include "fakes.h"
#include "platform/platform.h"
#include "ui/main_window.h"

#include <QStringList>
#include <QTimer>

struct FakeLauncher : tagwell::Launcher {
    enum class Outcome { Opens, FailsAtOnce, FailsLater };

    void openUrl(const QString& url) override
    {
        opened << url;
        if (outcome == Outcome::FailsAtOnce)
            throw tagwell::PlatformError(QStringLiteral("no browser"));
        if (outcome == Outcome::FailsLater)
            QTimer::singleShot(0, this, [this, url] { emit lateFailure(QStringLiteral("browser gave up on ") + url); });
    }
    QStringList opened;
    Outcome outcome = Outcome::Opens;
};

struct FakeDesktopWindow {
    FakeClipboard clipboard;
    FakeLauncher launcher;
    tagwell::Form1 form{clipboard, launcher};
    QStringList failures;

    FakeDesktopWindow()
    {
        form.setFailureReporter([this](QWidget*, const QString& message) { failures << message; });
        QObject::connect(&launcher, &tagwell::Launcher::lateFailure, &form, &tagwell::Form1::reportFailure);
    }
};
