// The system clipboard through Qt, as the commands' Clipboard: the clipboard
// proper (not the X11 primary selection), plain text only. Files or a picture
// without text read as an empty text. An owner that does not answer within a
// few seconds, or refuses the text it offers, is a failure; so is a Copy
// after which another program holds the clipboard at once, or (on X11) the
// program it was taken from takes it back within a moment with a text of
// its own: that is reported late, from the display's event, so that Copy
// does not hold the window up to watch for it.
#pragma once

#include "core/commands.h"
#include "platform/late_failures.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tagwell {

class SystemClipboard : public LateFailures, public Clipboard {
    Q_OBJECT

public:
    explicit SystemClipboard(QObject* parent = nullptr);

    Text text() const override;
    void setText(const Text& text) override;

private:
    void clipboardChanged();

    // What the last Copy put there, and whom it took the clipboard from,
    // while that one taking it again would be taking it back.
    struct Watch {
        std::uint32_t from;
        std::size_t size;
        std::size_t fingerprint;
        std::chrono::steady_clock::time_point until;
    };
    std::optional<Watch> watch_;
};

} // namespace tagwell
