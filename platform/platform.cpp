#include "platform/platform.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace tagwell {

Text SystemClipboard::text() const
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (data == nullptr)
        throw PlatformError(u"无法读取剪贴板。\nThe clipboard could not be read."_s);
    // A clipboard without text (a picture, files) pastes as an empty text.
    return data->hasText() ? data->text().toStdU16String() : Text();
}

void SystemClipboard::setText(const Text& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QString::fromStdU16String(text), QClipboard::Clipboard);
    if (clipboard->mimeData(QClipboard::Clipboard) == nullptr)
        throw PlatformError(u"无法写入剪贴板。\nThe clipboard could not be written."_s);
}

QString launchFailureMessage(const QString& url)
{
    return u"无法打开浏览器。请手动访问：\n%1\n\nNo web browser could be started. Please open the address above by hand."_s
        .arg(url);
}

void DesktopLauncher::openUrl(const QString& url)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // xdg-open is run directly, not through a shell, and not waited for; its
    // exit status is the only word on whether a browser came up, so it is
    // watched from the event loop.
    const QString opener = QStandardPaths::findExecutable(u"xdg-open"_s);
    if (opener.isEmpty())
        throw PlatformError(launchFailureMessage(url));
    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, this, [this, process, url](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        if (status != QProcess::NormalExit || code != 0)
            emit lateFailure(launchFailureMessage(url));
    });
    process->start(opener, {url});
    if (!process->waitForStarted(5000)) {
        process->deleteLater();
        throw PlatformError(launchFailureMessage(url));
    }
#else
    if (!QDesktopServices::openUrl(QUrl(url)))
        throw PlatformError(launchFailureMessage(url));
#endif
}

} // namespace tagwell
