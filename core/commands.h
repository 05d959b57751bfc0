// The text commands behind the window's buttons: Convert, Paste, Copy and
// Clear. They work on the document through small interfaces, so they run the
// same against the real window and against a test's fakes.
//
// The text area is the only store of the document: every command reads and
// writes the whole text through it and keeps no copy. Failures of the text
// area, check box or clipboard are exceptions; a command stops where one is
// thrown, and what it had written by then stays in the text area.
#pragma once

#include "core/conversion.h"

#include <string>

namespace tagwell {

using Text = std::u16string;

class TextArea {
public:
    virtual ~TextArea() = default;
    virtual Text text() const = 0;
    virtual void setText(Text text) = 0;
};

class CheckBox {
public:
    virtual ~CheckBox() = default;
    virtual CheckState checkState() const = 0;
};

// The system clipboard in its plain-text form.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Empty when the clipboard holds no text.
    virtual Text text() const = 0;
    virtual void setText(const Text& text) = 0;
};

// Convert in stages, each reading the text area and writing its result back
// before the next one reads it: removal of the pre tags (only when the box is
// checked), then "<", then ">", then the wrap. The final text equals
// convertText(text, box.checkState()).
void convert(TextArea& area, const CheckBox& box);

// Replaces the whole text with the clipboard's; the text area is written only
// once the clipboard has been read.
void paste(TextArea& area, const Clipboard& clipboard);

// Puts the whole text on the clipboard, whatever is selected.
void copy(const TextArea& area, Clipboard& clipboard);

void clear(TextArea& area);

} // namespace tagwell
