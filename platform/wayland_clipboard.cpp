// The selection read as the core Wayland protocol has it: a data device of
// this library's own on Qt's connection is told the selection's offer and
// its types, and the best plain-text type is received through a pipe. Each
// answer, the compositor's or the owner's, has to come within AnswerLimit;
// the waits poll the connection or the pipe only, and dispatch this
// library's event queue only.
#include "platform/wayland_clipboard.h"

#include "core/failures.h"
#include "platform/clipboard_text.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tagwell::wayland {
namespace {

// The plain-text types, best first. The X11 names are what programs that
// also speak X11 offer. TEXT and COMPOUND_TEXT leave the encoding to a
// reply type that Wayland does not have, so they are not read.
enum class Encoding { Utf8, Latin1 };
struct TextType {
    std::string_view mime;
    Encoding encoding;
};
constexpr std::array<TextType, 5> textTypes = {{{"text/plain;charset=utf-8", Encoding::Utf8},
                                                {"text/plain;charset=UTF-8", Encoding::Utf8},
                                                {"UTF8_STRING", Encoding::Utf8},
                                                {"text/plain", Encoding::Utf8},
                                                {"STRING", Encoding::Latin1}}};

// Qt's connection to the compositor. Null on another platform, or a Qt that
// does not tell.
wl_display* qtDisplay()
{
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    if (native == nullptr)
        return nullptr;
    return static_cast<wl_display*>(native->nativeResourceForIntegration(QByteArrayLiteral("wl_display")));
}

// An event queue of this library's own on Qt's connection, and what the
// compositor announces on it: the first seat (Qt's default one) and the data
// device manager. Kept for the application's life, so that a Paste costs no
// new registry or manager in the compositor.
class Connection {
public:
    // The globals are known after the next roundtrip().
    explicit Connection(wl_display* display) : display_(display), queue_(wl_display_create_queue(display))
    {
        if (queue_ == nullptr)
            unreadable();
        wrapper_ = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
        if (wrapper_ == nullptr) {
            wl_event_queue_destroy(queue_);
            unreadable();
        }
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper_), queue_);
        registry_ = wl_display_get_registry(wrapper_);
        wl_registry_add_listener(registry_, &registryListener, this);
    }
    ~Connection()
    {
        if (manager_ != nullptr)
            wl_data_device_manager_destroy(manager_);
        if (seat_ != nullptr)
            wl_seat_destroy(seat_);
        wl_registry_destroy(registry_);
        wl_proxy_wrapper_destroy(wrapper_);
        wl_event_queue_destroy(queue_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    wl_display* display() const { return display_; }
    wl_seat* seat() const { return seat_; }
    wl_data_device_manager* manager() const { return manager_; }
    uint32_t managerVersion() const { return managerVersion_; }
    // Whether the seat or the manager went away since.
    bool lost() const { return lost_; }

    // Waits for the compositor to have answered every request sent so far.
    void roundtrip()
    {
        Sync sync{wl_display_sync(wrapper_)};
        wl_callback_add_listener(sync.callback, &syncListener, &sync);
        try {
            dispatchUntil([&sync] { return sync.callback == nullptr; }, Clock::now() + AnswerLimit);
        } catch (...) {
            if (sync.callback != nullptr)
                wl_callback_destroy(sync.callback);
            throw;
        }
    }

    // Dispatches this queue's events, reading more from the connection,
    // until `done` says so; throws when the deadline passes first.
    template <class Done> void dispatchUntil(Done done, Clock::time_point deadline)
    {
        for (;;) {
            if (wl_display_dispatch_queue_pending(display_, queue_) < 0)
                unreadable();
            if (done())
                return;
            // Qt's reading thread may have queued more events meanwhile.
            if (wl_display_prepare_read_queue(display_, queue_) != 0)
                continue;
            short events = POLLIN;
            if (wl_display_flush(display_) < 0) {
                if (errno != EAGAIN) {
                    wl_display_cancel_read(display_);
                    unreadable();
                }
                events |= POLLOUT;
            }
            const int left = millisecondsLeft(deadline);
            if (left == 0) {
                wl_display_cancel_read(display_);
                unreadable();
            }
            pollfd socket{wl_display_get_fd(display_), events, 0};
            if (poll(&socket, 1, left) > 0 && (socket.revents & POLLIN) != 0) {
                if (wl_display_read_events(display_) < 0)
                    unreadable();
            } else {
                wl_display_cancel_read(display_);
            }
        }
    }

    // Sends what is queued for the compositor within the deadline.
    void flush(Clock::time_point deadline)
    {
        while (wl_display_flush(display_) < 0) {
            if (errno != EAGAIN)
                unreadable();
            pollfd socket{wl_display_get_fd(display_), POLLOUT, 0};
            const int left = millisecondsLeft(deadline);
            if (left == 0 || poll(&socket, 1, left) < 0)
                unreadable();
        }
    }

private:
    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
    {
        auto* self = static_cast<Connection*>(data);
        const std::string_view kind = interface;
        if (kind == wl_seat_interface.name && self->seat_ == nullptr) {
            self->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
            self->seatName_ = name;
        } else if (kind == wl_data_device_manager_interface.name && self->manager_ == nullptr) {
            // Version 2 has the device's release; nothing here needs the
            // drag and drop actions of version 3.
            self->managerVersion_ = std::min<uint32_t>(version, 2);
            self->manager_ = static_cast<wl_data_device_manager*>(
                wl_registry_bind(registry, name, &wl_data_device_manager_interface, self->managerVersion_));
            self->managerName_ = name;
        }
    }
    static void globalRemove(void* data, wl_registry*, uint32_t name)
    {
        auto* self = static_cast<Connection*>(data);
        if ((self->seat_ != nullptr && name == self->seatName_) ||
            (self->manager_ != nullptr && name == self->managerName_))
            self->lost_ = true;
    }
    static constexpr wl_registry_listener registryListener = {global, globalRemove};

    struct Sync {
        wl_callback* callback;
    };
    static void synced(void* data, wl_callback* callback, uint32_t)
    {
        wl_callback_destroy(callback);
        static_cast<Sync*>(data)->callback = nullptr;
    }
    static constexpr wl_callback_listener syncListener = {synced};

    wl_display* display_;
    wl_event_queue* queue_;
    wl_display* wrapper_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    uint32_t seatName_ = 0;
    wl_data_device_manager* manager_ = nullptr;
    uint32_t managerName_ = 0;
    uint32_t managerVersion_ = 0;
    bool lost_ = false;
};

// The connection for Qt's display, made on first use. It is never destroyed
// with the program: Qt disconnects from the compositor before any static
// destructor could run, and the proxies would go with it.
Connection& connection(wl_display* display)
{
    static Connection* current = nullptr;
    static QPointer<QGuiApplication> application;
    if (current != nullptr && (application != qGuiApp || current->display() != display)) {
        // Another application's connection, gone with it: not to be touched.
        current = nullptr;
    } else if (current != nullptr && current->lost()) {
        delete current;
        current = nullptr;
    }
    if (current == nullptr) {
        auto fresh = std::make_unique<Connection>(display);
        fresh->roundtrip();
        current = fresh.release();
        application = qGuiApp;
    }
    return *current;
}

// One look at the selection: a data device made for it, which the compositor
// tells the current selection, as it tells any device of the client with the
// keyboard focus, by the next roundtrip. Made per look, so that it takes no
// part in drags between looks.
class Selection {
public:
    explicit Selection(Connection& connection) : connection_(connection)
    {
        device_ = wl_data_device_manager_get_data_device(connection.manager(), connection.seat());
        wl_data_device_add_listener(device_, &deviceListener, this);
    }
    // The device is released, and its proxy kept until the compositor has
    // confirmed: libwayland 1.21 drops an offer announced to a proxy already
    // destroyed without taking note of its number, and then takes the next
    // object the compositor creates for a protocol error that ends Qt's
    // connection.
    ~Selection()
    {
        wl_proxy_marshal_flags(reinterpret_cast<wl_proxy*>(device_), WL_DATA_DEVICE_RELEASE, nullptr,
                               wl_proxy_get_version(reinterpret_cast<wl_proxy*>(device_)), 0);
        try {
            connection_.roundtrip();
        } catch (const PlatformError&) {
            // The compositor is gone or hung; Qt will find out as well.
        }
        for (Offer& offer : offers_)
            wl_data_offer_destroy(offer.offer);
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(device_));
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

    // Whether the compositor has said what the selection is.
    bool known() const { return known_; }
    // The selection's types; none when nothing is selected.
    const std::vector<std::string>* types() const
    {
        const Offer* offer = find(selection_);
        return offer != nullptr ? &offer->types : nullptr;
    }

    // The selection's data as `type`, all of it up to the owner's end.
    std::string receive(const std::string& type)
    {
        const auto transferEnd = Clock::now() + TransferLimit;
        int ends[2];
        if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
            unreadable();
        // The request holds its own copy of the writing end.
        wl_data_offer_receive(selection_, type.c_str(), ends[1]);
        close(ends[1]);
        Pipe pipe{ends[0]};
        connection_.flush(answerDue(transferEnd));

        std::string bytes;
        std::array<char, 65536> chunk{};
        for (;;) {
            const ssize_t got = read(pipe.fd, chunk.data(), chunk.size());
            if (got > 0) {
                // An owner that never stops writing is hung too.
                if (Clock::now() >= transferEnd)
                    unreadable();
                bytes.append(chunk.data(), size_t(got));
                continue;
            }
            if (got == 0)
                return bytes;
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN)
                unreadable();
            const int left = millisecondsLeft(answerDue(transferEnd));
            pollfd readable{pipe.fd, POLLIN, 0};
            if (left == 0 || poll(&readable, 1, left) == 0)
                unreadable();
        }
    }

private:
    struct Offer {
        wl_data_offer* offer;
        std::vector<std::string> types;
    };
    struct Pipe {
        int fd;
        ~Pipe() { close(fd); }
    };

    const Offer* find(const wl_data_offer* offer) const
    {
        const auto it =
            std::find_if(offers_.begin(), offers_.end(), [offer](const Offer& o) { return o.offer == offer; });
        return it != offers_.end() ? &*it : nullptr;
    }

    static void dataOffer(void* data, wl_data_device*, wl_data_offer* offer)
    {
        auto* self = static_cast<Selection*>(data);
        self->offers_.push_back({offer, {}});
        wl_data_offer_add_listener(offer, &offerListener, self);
    }
    static void enter(void*, wl_data_device*, uint32_t, wl_surface*, wl_fixed_t, wl_fixed_t, wl_data_offer*) {}
    static void leave(void*, wl_data_device*) {}
    static void motion(void*, wl_data_device*, uint32_t, wl_fixed_t, wl_fixed_t) {}
    static void drop(void*, wl_data_device*) {}
    static void selection(void* data, wl_data_device*, wl_data_offer* offer)
    {
        auto* self = static_cast<Selection*>(data);
        // The offer it replaces is no more use; one of a drag, still under
        // way, is left until the end.
        if (self->selection_ != nullptr && self->selection_ != offer) {
            wl_data_offer_destroy(self->selection_);
            std::erase_if(self->offers_, [old = self->selection_](const Offer& o) { return o.offer == old; });
        }
        self->selection_ = offer;
        self->known_ = true;
    }
    static constexpr wl_data_device_listener deviceListener = {dataOffer, enter, leave, motion, drop, selection};

    static void offered(void* data, wl_data_offer* offer, const char* type)
    {
        auto* self = static_cast<Selection*>(data);
        for (Offer& o : self->offers_)
            if (o.offer == offer)
                o.types.emplace_back(type);
    }
    static void sourceActions(void*, wl_data_offer*, uint32_t) {}
    static void action(void*, wl_data_offer*, uint32_t) {}
    static constexpr wl_data_offer_listener offerListener = {offered, sourceActions, action};

    Connection& connection_;
    wl_data_device* device_ = nullptr;
    std::vector<Offer> offers_;
    wl_data_offer* selection_ = nullptr;
    bool known_ = false;
};

} // namespace

std::optional<Text> readText()
{
    // This program's own selection is answered by Qt, from its copy: the
    // request for it would wait for Qt's event loop, which waits here.
    if (QGuiApplication::clipboard()->ownsClipboard())
        return std::nullopt;
    wl_display* display = qtDisplay();
    if (display == nullptr)
        return std::nullopt;
    Connection& compositor = connection(display);
    // A device of the first version cannot be released, and would go on
    // taking part in drags.
    if (compositor.seat() == nullptr || compositor.manager() == nullptr ||
        compositor.managerVersion() < WL_DATA_DEVICE_RELEASE_SINCE_VERSION)
        return std::nullopt;

    Selection selection(compositor);
    compositor.roundtrip();
    if (!selection.known())
        return std::nullopt;
    const std::vector<std::string>* types = selection.types();
    if (types == nullptr)
        return Text();
    for (const TextType& candidate : textTypes) {
        if (std::find(types->begin(), types->end(), candidate.mime) == types->end())
            continue;
        const std::string bytes = selection.receive(std::string(candidate.mime));
        return candidate.encoding == Encoding::Utf8 ? utf8Text(bytes) : latin1Text(bytes);
    }
    return Text();
}

} // namespace tagwell::wayland
