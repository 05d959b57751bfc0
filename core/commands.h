// The commands behind the window's buttons, and what they work on: the text
// area, the check box, the clipboard and the browser's launcher, as small
// interfaces that each front-end implements (and the tests fake).
//
// The text area is the only store of the document: every command reads and
// writes the whole text through it and keeps no copy. A command runs to its
// end or stops at the first failure, which is thrown (PlatformError from the
// platform's side); run() turns it into the message the user sees. Either
// way, what the command wrote reaches the control at one point, its commit.
#pragma once

#include "core/conversion.h"
#include "core/failures.h"
#include "core/in_place.h"

#include <optional>
#include <string>
#include <string_view>

namespace tagwell {

class TextArea {
public:
    virtual ~TextArea() = default;
    virtual Text text() const = 0;
    virtual void setText(Text text) = 0;

    // What editing the control's text in place costs; nothing for a control
    // that only takes whole texts.
    virtual std::optional<InPlaceCosts> inPlaceCosts() const { return std::nullopt; }
    // A Convert's result, with the replacements that make it of the text
    // last read, where the plan has them.
    virtual void setConverted(ConversionPlan plan) { setText(std::move(plan.result)); }
    // A Convert that replaces the whole text: converted here by default; a
    // control that takes a big text in slowly may take it in as it is
    // converted (core/conversion_pieces.h).
    virtual void setConvertedWhole(const Text& text, CheckState state)
    {
        setText(convertText(std::u16string_view(text), state));
    }
    // Hands what was written since the last commit to the control.
    virtual void commit() {}
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

// Hands a web address to the desktop's browser without waiting for it.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual void open(std::u16string_view address) = 0;
};

// The program's help and update page.
std::u16string_view helpAddress();

// Convert: the box's state, then the text, and the result written once:
// found by one scan with the edits that make it in place, where the text
// area edits in place and that costs less; else whole.
void convert(TextArea& area, const CheckBox& box);

// Replaces the whole text with the clipboard's; the text area is written only
// once the clipboard has been read.
void paste(TextArea& area, const Clipboard& clipboard);

// Puts the whole text on the clipboard, whatever is selected.
void copy(const TextArea& area, Clipboard& clipboard);

void clear(TextArea& area);

void openHelp(Launcher& launcher);

enum class Command { Paste, Convert, Copy, Clear, OpenHelp };

struct CommandTargets {
    TextArea& text;
    const CheckBox& pre;
    Clipboard& clipboard;
    Launcher& launcher;
};

// Runs one command to its end or its first failure, then commits the text
// area. Gives the failure's message, or nothing.
std::optional<std::u16string> run(Command command, const CommandTargets& targets);

} // namespace tagwell
