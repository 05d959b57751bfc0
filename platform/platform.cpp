#include "platform/platform.h"

#ifdef TAGWELL_HAVE_XCB
#include "platform/x11_clipboard.h"
#endif
#ifdef TAGWELL_HAVE_WAYLAND
#include "platform/wayland_clipboard.h"
#endif

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace tagwell {

namespace {

// Qt's word on its own clipboard (or on the only one there is, offscreen).
// hasText() would also count file addresses: only plain text pastes.
Text plainText(const QMimeData* data)
{
    if (data == nullptr)
        throw PlatformError(SystemClipboard::readFailureMessage());
    const QStringList formats = data->formats();
    const bool hasPlainText = std::any_of(formats.begin(), formats.end(), [](const QString& format) {
        return format == u"text/plain"_s || format.startsWith(u"text/plain;"_s);
    });
    return hasPlainText ? data->text().toStdU16String() : Text();
}

bool tookClipboard(const QClipboard& clipboard)
{
    const QString platform = QGuiApplication::platformName();
#ifdef TAGWELL_HAVE_XCB
    // Qt's ownsClipboard() on X11 says yes even when the display ignored the
    // request.
    if (platform == u"xcb"_s)
        return x11::ownsClipboard();
#endif
    if (platform == u"xcb"_s || platform == u"windows"_s || platform.startsWith(u"wayland"_s))
        return clipboard.ownsClipboard();
    // Offscreen the clipboard is Qt's alone: it holds what was set.
    return clipboard.mimeData(QClipboard::Clipboard) != nullptr;
}

} // namespace

QString SystemClipboard::readFailureMessage()
{
    return u"无法读取剪贴板。\nThe clipboard could not be read."_s;
}

QString SystemClipboard::writeFailureMessage()
{
    return u"无法写入剪贴板。\nThe clipboard could not be written."_s;
}

Text SystemClipboard::text() const
{
#ifdef TAGWELL_HAVE_XCB
    // Another program's clipboard is asked for directly; this program's own
    // can only come from Qt, which would otherwise have to answer itself.
    if (QGuiApplication::platformName() == u"xcb"_s) {
        if (std::optional<Text> text = x11::readText())
            return std::move(*text);
    }
#endif
#ifdef TAGWELL_HAVE_WAYLAND
    if (QGuiApplication::platformName().startsWith(u"wayland"_s)) {
        if (std::optional<Text> text = wayland::readText())
            return std::move(*text);
    }
#endif
    return plainText(QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard));
}

void SystemClipboard::setText(const Text& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    // As is: fromStdU16String() would take a mark at the start for the byte order.
    clipboard->setText(QStringView(text).toString(), QClipboard::Clipboard);
    if (!tookClipboard(*clipboard))
        throw PlatformError(writeFailureMessage());
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
