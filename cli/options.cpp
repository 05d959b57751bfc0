#include "cli/options.h"

#include "tagwell_version.h"

#include <algorithm>

namespace cli {

const std::string_view Usage = R"(Usage: tagwell-convert [--keep-pre] [FILE...]
Write FILEs, or standard input, to standard output as an HTML fragment that
shows the text verbatim: every "<" as "&lt;", every ">" as "&gt;", the whole
inside <pre> and </pre>. The bytes are otherwise copied as they are, so a text
without a byte order mark, in UTF-8 or in any other encoding that is a superset
of ASCII, converts exactly.

A text that begins with a byte order mark keeps it, first: a UTF-8 one as it
is; UTF-16 (FF FE or FE FF) is converted as 16-bit characters and written in
UTF-16 of the same byte order. UTF-32 is refused. Of several FILEs the first
decides; the same mark at the start of a later one is dropped.

With no FILE, or when FILE is -, read standard input.

  --keep-pre    keep the <pre> and </pre> tags the text holds (by default they
                are removed first, so converting twice changes nothing)
  --escape-amp  also write "&" as "&amp;", before the signs, so that a page
                shows the text exactly as it is ("&lt;" in it stays "&lt;");
                off by default: it gives up the window's result, and
                converting twice then escapes twice
  --help        show this help and exit
  --version     show the version and exit
)";

const std::string_view VersionLine = "tagwell-convert " TAGWELL_VERSION_SHORT "\n";

#ifdef _WIN32
NativeView Options::dash()
{
    return L"-";
}
NativeView Options::dashDash()
{
    return L"--";
}
#else
NativeView Options::dash()
{
    return "-";
}
NativeView Options::dashDash()
{
    return "--";
}
#endif

namespace {
bool is(NativeView arg, std::string_view ascii)
{
    return arg.size() == ascii.size() && std::equal(ascii.begin(), ascii.end(), arg.begin(), [](char a, NativeChar b) {
               return NativeChar(a) == b;
           });
}
} // namespace

Options parseOptions(int argc, NativeChar** argv)
{
    Options options;
    options.argc = argc;
    options.argv = argv;
    for (int i = 1; i < argc; ++i) {
        const NativeView arg = argv[i];
        if (arg.size() < 2 || arg[0] != NativeChar('-'))
            continue;
        if (is(arg, "--"))
            break;
        if (is(arg, "--keep-pre")) {
            options.state = tagwell::CheckState::Unchecked;
        } else if (is(arg, "--escape-amp")) {
            options.escapeAmp = true;
        } else if (is(arg, "--help")) {
            options.action = Options::Action::Help;
            return options;
        } else if (is(arg, "--version")) {
            options.action = Options::Action::Version;
            return options;
        } else {
            options.action = Options::Action::UnknownOption;
            options.unknown = displayName(arg);
            return options;
        }
    }
    return options;
}

} // namespace cli
