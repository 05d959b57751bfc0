// clipboard_owner: another program on the X clipboard, for the suites. It
// takes CLIPBOARD and answers as told: it serves files as their targets (in
// INCR chunks when they are larger than --chunk), or it misbehaves the way a
// hung or hostile owner does.
//   clipboard_owner [MODE] [--retake MS] [--chunk BYTES] [TARGET[,TYPE] FILE]...
//   clipboard_owner --release
// MODE: --silent (answers nothing), --targets-only (answers TARGETS, never the
// data), --refuse (refuses every data request), --stall-incr (starts an INCR
// transfer and sends no chunk). --retake takes the clipboard back, MS
// milliseconds after another client took it. --release leaves the clipboard without an owner.
// TYPE is the type the data is sent as (the target itself by default).
// Prints "ready" once the clipboard is its own; ends when it loses the
// clipboard (without --retake), when its standard input is a pipe that
// closes, or after five minutes.
#include <xcb/xcb.h>

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

enum class Mode { Serve, Silent, TargetsOnly, Refuse, StallIncr };

struct Offer {
    xcb_atom_t target;
    xcb_atom_t type;
    std::string data;
};

// An INCR transfer in progress, keyed by requestor window.
struct Transfer {
    xcb_atom_t property;
    xcb_atom_t type;
    const std::string* data;
    size_t offset;
};

xcb_connection_t* connection;

[[noreturn]] void die(const char* what)
{
    std::fprintf(stderr, "clipboard_owner: %s\n", what);
    std::exit(2);
}

xcb_atom_t atom(const std::string& name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.data()), nullptr);
    if (reply == nullptr)
        die("cannot intern an atom");
    const xcb_atom_t result = reply->atom;
    std::free(reply);
    return result;
}

std::string readFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        die("cannot read a data file");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void notify(const xcb_selection_request_event_t& request, xcb_atom_t property)
{
    xcb_selection_notify_event_t event{};
    event.response_type = XCB_SELECTION_NOTIFY;
    event.time = request.time;
    event.requestor = request.requestor;
    event.selection = request.selection;
    event.target = request.target;
    event.property = property;
    xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
}

xcb_window_t owner(xcb_atom_t selection)
{
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    if (reply == nullptr)
        die("cannot ask for the clipboard's owner");
    const xcb_window_t result = reply->owner;
    std::free(reply);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    Mode mode = Mode::Serve;
    int retakeDelay = -1;
    bool release = false;
    size_t chunk = 256 * 1024;
    std::vector<std::pair<std::string, const char*>> specs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--silent")
            mode = Mode::Silent;
        else if (arg == "--targets-only")
            mode = Mode::TargetsOnly;
        else if (arg == "--refuse")
            mode = Mode::Refuse;
        else if (arg == "--stall-incr")
            mode = Mode::StallIncr;
        else if (arg == "--retake" && i + 1 < argc)
            retakeDelay = std::atoi(argv[++i]);
        else if (arg == "--release")
            release = true;
        else if (arg == "--chunk" && i + 1 < argc)
            chunk = std::strtoul(argv[++i], nullptr, 10);
        else if (arg.rfind("--", 0) != 0 && i + 1 < argc)
            specs.emplace_back(arg, argv[++i]);
        else
            die("usage: clipboard_owner [MODE] [--retake MS] [--chunk BYTES] [TARGET[,TYPE] FILE]... | --release");
    }
    if (chunk == 0)
        die("--chunk needs a positive size");
    alarm(300);

    connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        die("cannot open the display");
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_atom_t clipboard = atom("CLIPBOARD");
    const xcb_atom_t targets = atom("TARGETS");
    const xcb_atom_t incr = atom("INCR");

    if (release) {
        xcb_set_selection_owner(connection, XCB_NONE, clipboard, XCB_CURRENT_TIME);
        if (owner(clipboard) != XCB_NONE)
            die("the clipboard still has an owner");
        std::puts("ready");
        return 0;
    }

    std::vector<Offer> offers;
    for (const auto& [spec, path] : specs) {
        const size_t comma = spec.find(',');
        const xcb_atom_t target = atom(spec.substr(0, comma));
        const xcb_atom_t type = comma == std::string::npos ? target : atom(spec.substr(comma + 1));
        offers.push_back({target, type, readFile(path)});
    }

    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
    if (owner(clipboard) != window)
        die("cannot take the clipboard");
    std::puts("ready");
    std::fflush(stdout);

    std::map<xcb_window_t, Transfer> transfers;
    // A pipe on standard input ties this process to the suite that started it.
    struct stat input {};
    const bool watchInput = fstat(STDIN_FILENO, &input) == 0 && (S_ISFIFO(input.st_mode) || S_ISSOCK(input.st_mode));
    pollfd fds[2] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            switch (event->response_type & 0x7f) {
            case XCB_SELECTION_REQUEST: {
                const auto& request = *reinterpret_cast<xcb_selection_request_event_t*>(event);
                const xcb_atom_t property = request.property == XCB_NONE ? request.target : request.property;
                if (mode == Mode::Silent)
                    break;
                if (request.target == targets) {
                    std::vector<xcb_atom_t> list{targets};
                    for (const Offer& offer : offers)
                        list.push_back(offer.target);
                    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM,
                                        32, uint32_t(list.size()), list.data());
                    notify(request, property);
                    break;
                }
                const Offer* offer = nullptr;
                for (const Offer& o : offers)
                    if (o.target == request.target)
                        offer = &o;
                if (mode == Mode::TargetsOnly)
                    break;
                if (offer == nullptr || mode == Mode::Refuse) {
                    notify(request, XCB_NONE);
                    break;
                }
                if (offer->data.size() <= chunk && mode != Mode::StallIncr) {
                    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property, offer->type, 8,
                                        uint32_t(offer->data.size()), offer->data.data());
                    notify(request, property);
                    break;
                }
                const uint32_t size = uint32_t(offer->data.size());
                if (mode != Mode::StallIncr) {
                    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                    xcb_change_window_attributes(connection, request.requestor, XCB_CW_EVENT_MASK, &mask);
                    transfers[request.requestor] = {property, offer->type, &offer->data, 0};
                }
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property, incr, 32, 1, &size);
                notify(request, property);
                break;
            }
            case XCB_PROPERTY_NOTIFY: {
                const auto& change = *reinterpret_cast<xcb_property_notify_event_t*>(event);
                const auto found = transfers.find(change.window);
                if (change.state != XCB_PROPERTY_DELETE || found == transfers.end() ||
                    found->second.property != change.atom)
                    break;
                Transfer& transfer = found->second;
                const size_t length = std::min(chunk, transfer.data->size() - transfer.offset);
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, change.window, transfer.property, transfer.type,
                                    8, uint32_t(length), transfer.data->data() + transfer.offset);
                transfer.offset += length;
                if (length == 0) {
                    const uint32_t none = XCB_EVENT_MASK_NO_EVENT;
                    xcb_change_window_attributes(connection, change.window, XCB_CW_EVENT_MASK, &none);
                    transfers.erase(found);
                }
                break;
            }
            case XCB_SELECTION_CLEAR:
                if (retakeDelay < 0)
                    return 0;
                usleep(useconds_t(retakeDelay) * 1000);
                xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
                break;
            }
            std::free(event);
        }
        xcb_flush(connection);
        if (xcb_connection_has_error(connection))
            die("lost the display");
        if (poll(fds, watchInput ? 2 : 1, -1) < 0)
            continue;
        if (watchInput && fds[1].revents != 0) {
            char buffer[256];
            if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
                return 0;
        }
    }
}
