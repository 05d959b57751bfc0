// The X11 clipboard asked directly, on a display connection of the platform
// library's own: Qt's connection would read an owner that never answers as
// an empty clipboard, after several 5-second waits. Nothing here runs Qt's
// event loop, so no other click can be handled while a read waits.
#pragma once

#include "core/commands.h"

#include <cstdint>
#include <optional>

namespace tagwell::x11 {

// The clipboard's text. Empty when nobody owns the clipboard or its owner
// offers no plain text (only files or a picture, say). Nothing when this
// program owns it: then only Qt can answer, from its own copy. Throws
// PlatformError (ClipboardUnreadable) when the display cannot be reached, or
// the owner does not answer within a few seconds or refuses a text it
// offered.
std::optional<Text> readText();

// Whether this program holds the clipboard now, as the display has it; Qt's
// word would be yes even where the display ignored its request. Throws
// PlatformError (ClipboardUnwritable) when the display cannot be reached.
bool ownsClipboard();

// The window that owns the clipboard now, 0 for none. Throws PlatformError
// (ClipboardUnwritable) when the display cannot be reached.
std::uint32_t owner();

// Whether `window` is one of this program's.
bool isThisProgram(std::uint32_t window);

} // namespace tagwell::x11
