#include "platform/desktop_launcher.h"

#include "platform/qt_text.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace tagwell {

void DesktopLauncher::open(std::u16string_view address)
{
    const QString url = toQString(address);
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // xdg-open is run directly, not through a shell, and not waited for; its
    // exit status is the only word on whether a browser came up, so it is
    // watched from the event loop.
    const QString opener = QStandardPaths::findExecutable(u"xdg-open"_s);
    if (opener.isEmpty())
        throw PlatformError(Failure::NoBrowser);
    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, this, [this, process](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        if (status != QProcess::NormalExit || code != 0)
            emit lateFailure(Failure::NoBrowser);
    });
    process->start(opener, {url});
    if (!process->waitForStarted(5000)) {
        process->deleteLater();
        throw PlatformError(Failure::NoBrowser);
    }
#else
    if (!QDesktopServices::openUrl(QUrl(url)))
        throw PlatformError(Failure::NoBrowser);
#endif
}

} // namespace tagwell
