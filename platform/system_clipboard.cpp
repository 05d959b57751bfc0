#include "platform/system_clipboard.h"

#include "platform/qt_text.h"

#ifdef TAGWELL_HAVE_XCB
#include "platform/x11_clipboard.h"
#endif
#ifdef TAGWELL_HAVE_WAYLAND
#include "platform/wayland_clipboard.h"
#endif

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace tagwell {

namespace {

#ifdef TAGWELL_HAVE_XCB
// How long after a Copy the program it took the clipboard from taking it
// again counts as taking it back.
constexpr auto RetakeWatch = std::chrono::milliseconds(50);

std::size_t fingerprint(const Text& text)
{
    return std::hash<Text>{}(text);
}
#endif

// Qt's word on its own clipboard (or on the only one there is, offscreen).
// hasText() would also count file addresses: only plain text pastes.
Text plainText(const QMimeData* data)
{
    if (data == nullptr)
        throw PlatformError(Failure::ClipboardUnreadable);
    const QStringList formats = data->formats();
    const bool hasPlainText = std::any_of(formats.begin(), formats.end(), [](const QString& format) {
        return format == u"text/plain"_s || format.startsWith(u"text/plain;"_s);
    });
    return hasPlainText ? data->text().toStdU16String() : Text();
}

bool holdsClipboard(const QClipboard& clipboard)
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

SystemClipboard::SystemClipboard(QObject* parent) : LateFailures(parent)
{
    // Qt hears of another program taking the clipboard from the display
    // (X11's XFixes): the event the watch waits for.
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard)
            clipboardChanged();
    });
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
    watch_.reset();
#ifdef TAGWELL_HAVE_XCB
    const bool x11 = QGuiApplication::platformName() == u"xcb"_s;
    const std::uint32_t from = x11 ? x11::owner() : 0;
#endif
    clipboard->setText(toQString(text), QClipboard::Clipboard);
    if (!holdsClipboard(*clipboard))
        throw PlatformError(Failure::ClipboardUnwritable);
#ifdef TAGWELL_HAVE_XCB
    if (x11 && from != 0 && !x11::isThisProgram(from))
        watch_ = Watch{from, text.size(), fingerprint(text), std::chrono::steady_clock::now() + RetakeWatch};
#endif
}

void SystemClipboard::clipboardChanged()
{
#ifdef TAGWELL_HAVE_XCB
    if (!watch_)
        return;
    const Watch watch = *std::exchange(watch_, std::nullopt);
    if (std::chrono::steady_clock::now() > watch.until)
        return;
    try {
        if (x11::owner() != watch.from) {
            watch_ = watch; // someone else, or still this program: watch on
            return;
        }
    } catch (const PlatformError&) {
        return;
    }
    // A clipboard manager that took over what was copied has not taken it
    // back: the text is there.
    std::optional<Text> now;
    try {
        now = text();
    } catch (const PlatformError&) {
    }
    if (!now || now->size() != watch.size || fingerprint(*now) != watch.fingerprint)
        emit lateFailure(Failure::ClipboardUnwritable);
#endif
}

} // namespace tagwell
