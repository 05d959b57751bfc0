// Opens a web address with the desktop's opener (xdg-open on Linux and the
// BSDs) without waiting for the browser. A failure that is known at once is
// thrown; one that shows only once the opener has run (no browser could be
// started) is signalled later, from the event loop.
#pragma once

#include "core/commands.h"
#include "platform/late_failures.h"

namespace tagwell {

class DesktopLauncher : public LateFailures, public Launcher {
    Q_OBJECT

public:
    using LateFailures::LateFailures;
    void open(std::u16string_view address) override;
};

} // namespace tagwell
