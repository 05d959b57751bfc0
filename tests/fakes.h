// Stand-ins for the desktop in window tests: a clipboard and a launcher that
// record what they are asked and fail on demand.
#pragma once

#include "platform/platform.h"

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
