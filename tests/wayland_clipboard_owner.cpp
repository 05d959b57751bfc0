// wayland_clipboard_owner: another program on the Wayland clipboard that has
// hung, for the suites. It sets the selection through the compositor's data
// control (no window, no keyboard focus needed), offering the types it is
// given, and keeps every pipe it is handed for the data open without writing
// to it.
//   wayland_clipboard_owner TYPE...
// Prints "ready" once the selection is its own; ends when another program
// takes the selection, or after five minutes.
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

struct State {
    wl_seat* seat = nullptr;
    zwlr_data_control_manager_v1* manager = nullptr;
    std::vector<int> heldPipes;
    bool cancelled = false;
};

[[noreturn]] void die(const char* what)
{
    std::fprintf(stderr, "wayland_clipboard_owner: %s\n", what);
    std::exit(2);
}

void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto* state = static_cast<State*>(data);
    const std::string_view kind = interface;
    if (kind == wl_seat_interface.name && state->seat == nullptr)
        state->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (kind == zwlr_data_control_manager_v1_interface.name)
        state->manager = static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
}
void globalRemove(void*, wl_registry*, uint32_t) {}
constexpr wl_registry_listener registryListener = {global, globalRemove};

// The hang itself: the pipe stays open, so the reader sees neither data nor
// its end.
void send(void* data, zwlr_data_control_source_v1*, const char*, int32_t fd)
{
    static_cast<State*>(data)->heldPipes.push_back(fd);
}
void cancelled(void* data, zwlr_data_control_source_v1*)
{
    static_cast<State*>(data)->cancelled = true;
}
constexpr zwlr_data_control_source_v1_listener sourceListener = {send, cancelled};

// The device's own offers (its selection included) are of no interest.
void dataOffer(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer)
{
    zwlr_data_control_offer_v1_destroy(offer);
}
void selection(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}
void finished(void*, zwlr_data_control_device_v1*)
{
    die("the compositor ended the data control");
}
constexpr zwlr_data_control_device_v1_listener deviceListener = {dataOffer, selection, finished};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        die("usage: wayland_clipboard_owner TYPE...");
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr)
        die("cannot connect to the compositor");
    State state;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &state);
    if (wl_display_roundtrip(display) < 0)
        die("the compositor does not answer");
    if (state.seat == nullptr || state.manager == nullptr)
        die("the compositor has no seat or no data control");

    zwlr_data_control_device_v1* device = zwlr_data_control_manager_v1_get_data_device(state.manager, state.seat);
    zwlr_data_control_device_v1_add_listener(device, &deviceListener, &state);
    zwlr_data_control_source_v1* source = zwlr_data_control_manager_v1_create_data_source(state.manager);
    zwlr_data_control_source_v1_add_listener(source, &sourceListener, &state);
    for (int i = 1; i < argc; ++i)
        zwlr_data_control_source_v1_offer(source, argv[i]);
    zwlr_data_control_device_v1_set_selection(device, source);
    if (wl_display_roundtrip(display) < 0)
        die("the compositor does not answer");
    if (state.cancelled)
        die("the selection was taken at once");
    std::puts("ready");
    std::fflush(stdout);

    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    while (!state.cancelled && std::chrono::steady_clock::now() < end) {
        while (wl_display_prepare_read(display) != 0)
            wl_display_dispatch_pending(display);
        wl_display_flush(display);
        pollfd socket{wl_display_get_fd(display), POLLIN, 0};
        if (poll(&socket, 1, 1000) > 0) {
            wl_display_read_events(display);
        } else {
            wl_display_cancel_read(display);
        }
        if (wl_display_dispatch_pending(display) < 0)
            die("the connection to the compositor broke");
    }
    zwlr_data_control_source_v1_destroy(source);
    zwlr_data_control_device_v1_destroy(device);
    zwlr_data_control_manager_v1_destroy(state.manager);
    wl_seat_destroy(state.seat);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
