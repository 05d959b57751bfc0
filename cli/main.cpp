// tagwell-convert: the window's conversion as a filter from files or standard
// input to standard output, in fixed-size blocks so that memory stays the same
// whatever the size of the text or the number of files.
//
// The steps: keep the standard descriptors that were closed from being
// reused, read the options, check every input before anything is written,
// then convert the inputs in turn as one text, and close standard output,
// whose close may be the write that fails.
#include "cli/convert.h"
#include "cli/input.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/system.h"

#include <cerrno>
#include <cstdio>

namespace {

int run(int argc, cli::NativeChar** argv)
{
    const cli::StandardDescriptors standard = cli::reserveStandardDescriptors();
    cli::prepareStandardStreams();

    const cli::Options options = cli::parseOptions(argc, argv);
    switch (options.action) {
    case cli::Options::Action::Help:
        return cli::writeText(cli::Usage, standard.outputClosed) && cli::closeOutput() ? 0 : 1;
    case cli::Options::Action::Version:
        return cli::writeText(cli::VersionLine, standard.outputClosed) && cli::closeOutput() ? 0 : 1;
    case cli::Options::Action::UnknownOption:
        std::fprintf(stderr, "tagwell-convert: unknown option '%s'\n%.*s", options.unknown.c_str(),
                     int(cli::Usage.size()), cli::Usage.data());
        return 2;
    case cli::Options::Action::Convert:
        break;
    }

    if (standard.outputClosed) {
        cli::complainErrno("write error", EBADF);
        return 1;
    }
    cli::FileInfo output;
    cli::describe(1, output);
    if (!cli::checkInputs(options, standard, output))
        return 1;

    cli::catchInterrupts();
    cli::Pipeline pipeline(options);
    const bool allRead = options.forEachFile([&](cli::NativeView name) {
        cli::Source source;
        return source.open(name, standard, output) && pipeline.convert(source) == cli::Outcome::Done;
    });
    if (const int signal = cli::interruption()) {
        pipeline.writeWhatWasRead();
        cli::dieOf(signal);
    }
    if (!allRead)
        return 1;
    const bool written = pipeline.finish() && cli::closeOutput();
    if (const int signal = cli::interruption())
        cli::dieOf(signal);
    return written ? 0 : 1;
}

} // namespace

#ifdef _WIN32
// Wide arguments, so that a name in any characters reaches _wopen intact.
int wmain(int argc, wchar_t** argv)
{
    return run(argc, argv);
}
#else
int main(int argc, char** argv)
{
    return run(argc, argv);
}
#endif
