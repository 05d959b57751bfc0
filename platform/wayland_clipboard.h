// The Wayland clipboard asked directly, through Qt's connection to the
// compositor but on an event queue of the platform library's own: Qt reads an
// owner that never writes its text as an empty clipboard after a second.
// Nothing here runs Qt's event loop or dispatches Qt's queue, so no other
// click can be handled while a read waits.
#pragma once

#include "core/commands.h"

#include <optional>

namespace tagwell::wayland {

// The clipboard's text. Empty when the clipboard is empty or its owner offers
// no plain text (only files or a picture, say). Nothing when this program
// owns it, or when the compositor does not say what the clipboard holds: then
// only Qt can answer. Throws PlatformError (ClipboardUnreadable) when the compositor cannot be
// reached, or the owner does not write the text within a few seconds.
std::optional<Text> readText();

} // namespace tagwell::wayland
