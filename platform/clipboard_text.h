// The clipboard's bytes as text, by one set of rules for every desktop that
// hands them over as bytes (X11, Wayland).
#pragma once

#include "core/commands.h"

#include <string_view>

namespace tagwell {

// UTF-8 as Qt decodes it, invalid bytes replaced as Qt replaces them; a byte
// order mark at the start stays part of the text.
Text utf8Text(std::string_view bytes);

// Each byte is the character of that number.
Text latin1Text(std::string_view bytes);

} // namespace tagwell
