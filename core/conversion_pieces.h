// The conversion on a second core, for a caller with work of its own to do
// with the result as it comes (a text control taking it in): the text is
// converted on a thread of its own, and each piece of output, once final, is
// handed to the caller on its own thread, in order, while the rest is
// converted.
#pragma once

#include "core/scanner.h"

#include <functional>
#include <string>
#include <string_view>

namespace tagwell {

// Calls `take` with consecutive pieces of convertText(text, state), in
// order, on the calling thread, and gives the whole result at the end.
// Nothing is converted twice; the pieces are views of that result.
std::u16string convertInPieces(std::u16string_view text, CheckState state,
                               const std::function<void(std::u16string_view piece)>& take);

} // namespace tagwell
