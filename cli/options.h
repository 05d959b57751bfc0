// The command line of tagwell-convert: its options, its usage text, and its
// FILEs, walked in place so that any number of them takes no more memory.
#pragma once

#include "cli/system.h"
#include "core/conversion.h"

#include <string>
#include <string_view>

namespace cli {

extern const std::string_view Usage;
extern const std::string_view VersionLine;

struct Options {
    enum class Action { Convert, Help, Version, UnknownOption };
    Action action = Action::Convert;
    tagwell::CheckState state = tagwell::CheckState::Checked;
    bool escapeAmp = false;
    std::string unknown; // the option not known, for the message

    // Calls `visit(name)` for each FILE in order ("-" when there is none)
    // until it returns false; false then.
    template <class Visit> bool forEachFile(Visit&& visit) const
    {
        bool any = false;
        bool optionsEnded = false;
        for (int i = 1; i < argc; ++i) {
            const NativeView arg = argv[i];
            if (!optionsEnded && isOption(arg)) {
                optionsEnded = arg == dashDash();
                continue;
            }
            any = true;
            if (!visit(arg))
                return false;
        }
        return any || visit(dash());
    }

    static bool isStandardInput(NativeView name) { return name == dash(); }

    int argc = 0;
    NativeChar** argv = nullptr;

private:
    static NativeView dash();
    static NativeView dashDash();
    static bool isOption(NativeView arg) { return arg.size() > 1 && arg[0] == NativeChar('-'); }
};

Options parseOptions(int argc, NativeChar** argv);

} // namespace cli
