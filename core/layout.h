// How the text area follows the window, in twips: at load the window measures
// how far the text area's right and bottom edges lie from its own, and every
// resize keeps those distances. The controls of the button row never move.
// Each front-end turns its pixels into twips for these, and back.
#pragma once

#include <optional>

namespace tagwell::layout {

struct Size {
    double width, height; // twips
};

// The window's HeightMargin and WidthMargin.
struct Margins {
    int height = 0;
    int width = 0;
};

// The client size less the text area's, each rounded to the nearest twip,
// ties to even.
Margins measure(Size client, Size textArea);

// The text area's size for a new client size: the height first, then the
// width with it; nothing changes while the client is no higher than the
// height margin (a minimized window included).
std::optional<Size> textAreaSize(const Margins& margins, Size client);

} // namespace tagwell::layout
