// CLIPBOARD read as the X protocol has it: TARGETS first, then the best
// plain-text target the owner lists, in INCR chunks when the owner sends it
// so. Each answer of the owner has to come within AnswerLimit; the waits
// poll this connection's socket only.
#include "platform/x11_clipboard.h"

#include "core/failures.h"
#include "platform/clipboard_text.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <poll.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tagwell::x11 {
namespace {

template <class T> struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeDeleter<T>>;

enum Atom {
    Clipboard,
    Targets,
    Incr,
    Destination,
    Utf8String,
    PlainUtf8,
    PlainUtf8Upper,
    Plain,
    String,
    TextAtom,
    CompoundText,
    AtomCount
};
constexpr std::array<std::string_view, AtomCount> atomNames = {"CLIPBOARD",
                                                               "TARGETS",
                                                               "INCR",
                                                               "TAGWELL_CLIPBOARD",
                                                               "UTF8_STRING",
                                                               "text/plain;charset=utf-8",
                                                               "text/plain;charset=UTF-8",
                                                               "text/plain",
                                                               "STRING",
                                                               "TEXT",
                                                               "COMPOUND_TEXT"};

// The plain-text targets, best first. TEXT lets the owner choose the type.
constexpr std::array<Atom, 7> textTargets = {Utf8String, PlainUtf8, PlainUtf8Upper, Plain,
                                             String,     TextAtom,  CompoundText};

struct Property {
    xcb_atom_t type = XCB_NONE;
    uint8_t format = 0;
    std::string bytes;
};

} // namespace

// The windows of this program's connection to the display (Qt's) share its
// resource base.
bool isThisProgram(std::uint32_t window)
{
    auto* native = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (native == nullptr || native->connection() == nullptr)
        return false;
    const xcb_setup_t* setup = xcb_get_setup(native->connection());
    return (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

namespace {

// A connection of its own to the display. The display failing, on the way
// there or during a read, is the failure `failure`: a Copy cannot tell it
// has the clipboard, a Paste cannot read it.
class Session {
public:
    explicit Session(Failure failure = Failure::ClipboardUnreadable)
        : connection_(xcb_connect(nullptr, nullptr)), failure_(failure)
    {
        if (xcb_connection_has_error(connection_)) {
            xcb_disconnect(connection_);
            throw PlatformError(failure);
        }
        std::array<xcb_intern_atom_cookie_t, AtomCount> cookies{};
        for (size_t i = 0; i < AtomCount; ++i)
            cookies[i] = xcb_intern_atom(connection_, 0, uint16_t(atomNames[i].size()), atomNames[i].data());
        for (size_t i = 0; i < AtomCount; ++i) {
            Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection_, cookies[i], nullptr));
            if (!reply) {
                xcb_disconnect(connection_);
                throw PlatformError(failure);
            }
            atoms_[i] = reply->atom;
        }
    }
    ~Session() { xcb_disconnect(connection_); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    xcb_atom_t atom(Atom a) const { return atoms_[a]; }

    xcb_window_t owner()
    {
        Reply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
            connection_, xcb_get_selection_owner(connection_, atoms_[Clipboard]), nullptr));
        if (!reply)
            throw PlatformError(failure_);
        return reply->owner;
    }

    // The owner's answer for one target: nothing when it refuses.
    std::optional<Property> convert(xcb_atom_t target)
    {
        if (window_ == XCB_NONE)
            createWindow();
        xcb_convert_selection(connection_, window_, atoms_[Clipboard], target, atoms_[Destination], XCB_CURRENT_TIME);
        Reply<xcb_generic_event_t> event(waitFor(XCB_SELECTION_NOTIFY));
        const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event.get());
        if (notify->property == XCB_NONE)
            return std::nullopt;
        Property answer;
        take(notify->property, answer);
        if (answer.type != atoms_[Incr])
            return answer;
        // The size the owner announces is only a lower bound, and not to be
        // trusted with memory; the chunks end with an empty one.
        answer.bytes.clear();
        do
            event.reset(waitFor(XCB_PROPERTY_NOTIFY));
        while (take(atoms_[Destination], answer));
        return answer;
    }

private:
    void createWindow()
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
        transferEnd_ = Clock::now() + TransferLimit;
    }

    // Appends a property of the window to `to` and deletes it, which tells
    // an INCR sender to go on; false when it was empty.
    bool take(xcb_atom_t property, Property& to)
    {
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection_,
            xcb_get_property(connection_, 1, window_, property, XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4),
            nullptr));
        if (!reply)
            unreadable();
        const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
        const auto length = size_t(xcb_get_property_value_length(reply.get()));
        to.type = reply->type;
        to.format = reply->format;
        to.bytes.append(bytes, length);
        return length != 0;
    }

    // The next SelectionNotify, or the next new value of the destination
    // property, for this window; what else comes in is of no use. Throws
    // when the owner takes too long.
    xcb_generic_event_t* waitFor(uint8_t type)
    {
        const auto deadline = answerDue(transferEnd_);
        xcb_flush(connection_);
        for (;;) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                if ((event->response_type & 0x7f) == type && wanted(event))
                    return event;
                std::free(event);
            }
            if (xcb_connection_has_error(connection_))
                unreadable();
            const int left = millisecondsLeft(deadline);
            if (left == 0)
                unreadable();
            pollfd socket{xcb_get_file_descriptor(connection_), POLLIN, 0};
            poll(&socket, 1, left);
        }
    }

    bool wanted(const xcb_generic_event_t* event) const
    {
        if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY) {
            const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
            return notify->requestor == window_ && notify->selection == atoms_[Clipboard];
        }
        const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        return change->window == window_ && change->atom == atoms_[Destination] &&
               change->state == XCB_PROPERTY_NEW_VALUE;
    }

    xcb_connection_t* connection_;
    Failure failure_;
    std::array<xcb_atom_t, AtomCount> atoms_{};
    xcb_window_t window_ = XCB_NONE;
    Clock::time_point transferEnd_;
};

enum class Encoding { Utf8, Latin1, CompoundText, Unknown };

Encoding encodingOf(const Session& session, xcb_atom_t type)
{
    if (type == session.atom(Utf8String) || type == session.atom(PlainUtf8) || type == session.atom(PlainUtf8Upper) ||
        type == session.atom(Plain))
        return Encoding::Utf8;
    if (type == session.atom(String))
        return Encoding::Latin1;
    if (type == session.atom(CompoundText))
        return Encoding::CompoundText;
    return Encoding::Unknown;
}

// The text in the answer, by the type the owner sent it as (or else the
// target asked for); nothing when it cannot be decoded exactly.
std::optional<Text> decode(const Session& session, xcb_atom_t target, const Property& answer)
{
    if (answer.format != 8)
        return std::nullopt;
    Encoding encoding = encodingOf(session, answer.type);
    if (encoding == Encoding::Unknown)
        encoding = encodingOf(session, target);
    switch (encoding) {
    case Encoding::Utf8:
        return utf8Text(answer.bytes);
    case Encoding::Latin1:
        return latin1Text(answer.bytes);
    case Encoding::CompoundText:
        // Without escape or C1 control bytes compound text is Latin-1; other
        // character sets are not decoded.
        if (std::any_of(answer.bytes.begin(), answer.bytes.end(), [](char c) {
                const auto b = static_cast<unsigned char>(c);
                return b == 0x1b || (b >= 0x80 && b < 0xa0);
            }))
            return std::nullopt;
        return latin1Text(answer.bytes);
    case Encoding::Unknown:
        break;
    }
    return std::nullopt;
}

} // namespace

std::optional<Text> readText()
{
    // Requests Qt has not sent yet (a busy cursor) go out before the wait.
    if (auto* native = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        xcb_flush(native->connection());

    Session session;
    const xcb_window_t owner = session.owner();
    if (owner == XCB_NONE)
        return Text();
    if (isThisProgram(owner))
        return std::nullopt;

    std::vector<xcb_atom_t> candidates;
    // An owner that refuses TARGETS is asked for the two classic text types;
    // its refusal of those means it holds no text.
    bool guessed = false;
    if (const std::optional<Property> targets = session.convert(session.atom(Targets))) {
        std::vector<xcb_atom_t> offered(targets->format == 32 ? targets->bytes.size() / 4 : 0);
        std::memcpy(offered.data(), targets->bytes.data(), offered.size() * 4);
        for (Atom a : textTargets)
            if (std::find(offered.begin(), offered.end(), session.atom(a)) != offered.end())
                candidates.push_back(session.atom(a));
    } else {
        guessed = true;
        candidates = {session.atom(Utf8String), session.atom(String)};
    }

    bool failed = false;
    for (xcb_atom_t target : candidates) {
        const std::optional<Property> answer = session.convert(target);
        if (!answer) {
            failed = failed || !guessed;
            continue;
        }
        if (std::optional<Text> text = decode(session, target, *answer))
            return text;
        failed = true;
    }
    if (failed)
        unreadable();
    return Text();
}

bool ownsClipboard()
{
    return isThisProgram(owner());
}

std::uint32_t owner()
{
    Session session(Failure::ClipboardUnwritable);
    return session.owner();
}

} // namespace tagwell::x11
