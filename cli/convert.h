// The inputs converted as one text: the byte order mark that decides its
// encoding, the core's streaming converter for bytes or for 16-bit units,
// "&" escaped on request, and the live filter's rule of writing what was
// converted before a read would wait.
#pragma once

#include "cli/input.h"
#include "cli/marks.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/worker.h"
#include "core/conversion.h"

#include <cstddef>
#include <memory>

namespace cli {

enum class Outcome { Done, Failed, Interrupted };

class Pipeline {
public:
    explicit Pipeline(const Options& options);

    // Reads one input to its end into the text.
    Outcome convert(Source& source);
    // After the last input: the closing tag, and everything written. False
    // after a message.
    bool finish();
    // After an interruption: what was read, converted as the text it is
    // (a tag that was still being matched included), written without the
    // closing tag.
    void writeWhatWasRead();

private:
    Outcome readInTurn(Source& source);
    Outcome readAhead(Source& source);
    bool take(const char* data, std::size_t size);
    bool decide(const MarkGuess& guess);
    bool body(const char* data, std::size_t size);
    bool feedBytes(const char* data, std::size_t size);
    bool feedUnits(const char16_t* data, std::size_t size);
    bool endInput();
    void start();

    static std::size_t room();

    tagwell::StreamConverter<char> bytes_;
    tagwell::StreamConverter<char16_t> units_;
    bool escapeAmp_;
    Worker worker_;
    Writer writer_;
    std::unique_ptr<char[]> block_;
    std::unique_ptr<char16_t[]> unitBlock_;
    std::unique_ptr<char[]> ampBlock_;

    // The text's mark, once its first input with any byte decided it.
    bool decided_ = false;
    Mark mark_ = Mark::None;
    bool swap_ = false; // UTF-16 in the byte order that is not the processor's

    // The input being read.
    const std::string* name_ = nullptr;
    unsigned char head_[MarkMaxSize] = {};
    std::size_t headSize_ = 0;
    bool headDone_ = false;
    bool hasOdd_ = false;
    unsigned char odd_ = 0;
};

} // namespace cli
