// The window on stand-ins for the desktop: the fake clipboard and launcher,
// able to fail later as the real ones do, and Form1 on both, wired by the
// program's own function, its failure messages collected instead of shown.
#pragma once

#include "fakes.h"
#include "platform/late_failures.h"
#include "platform/qt_text.h"
#include "ui/main_window.h"

#include <QStringList>
#include <QTimer>

struct FakeDesktopClipboard : tagwell::LateFailures, FakeClipboard {
    // As a Copy that another program undid a moment later.
    void takenBack()
    {
        QTimer::singleShot(0, this, [this] { emit lateFailure(tagwell::Failure::ClipboardUnwritable); });
    }
};

struct FakeDesktopLauncher : tagwell::LateFailures, FakeLauncher {
    FakeDesktopLauncher()
    {
        failLater = [this] { QTimer::singleShot(0, this, [this] { emit lateFailure(tagwell::Failure::NoBrowser); }); };
    }
    QStringList addresses() const
    {
        QStringList list;
        for (const std::u16string& address : opened)
            list << tagwell::toQString(address);
        return list;
    }
};

struct FakeDesktopWindow {
    FakeDesktopClipboard clipboard;
    FakeDesktopLauncher launcher;
    tagwell::Form1 form{clipboard, launcher};
    QStringList failures;

    FakeDesktopWindow()
    {
        form.setFailureReporter([this](QWidget*, const QString& message) { failures << message; });
        tagwell::connectLateFailures(form, clipboard, launcher);
    }
};
