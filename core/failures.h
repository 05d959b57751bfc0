// What can go wrong while a command runs, each kind with the one message the
// user sees for it: Chinese first, as the window speaks, then English.
// Platform code throws PlatformError with the kind; the commands turn every
// failure into its message, and the window goes on.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace tagwell {

enum class Failure {
    ClipboardUnreadable, // no answer in time, or a text that cannot be decoded
    ClipboardUnwritable, // refused, or taken straight back by another program
    NoBrowser,           // the help page could not be handed to a browser
    OutOfMemory,         // while a command worked on the text
    TextNotShown,        // while the text area took a command's result
    Unexpected,          // anything else; its own words follow the message
};

class PlatformError : public std::exception {
public:
    explicit PlatformError(Failure failure) : failure_(failure) {}
    Failure failure() const { return failure_; }
    const char* what() const noexcept override;

private:
    Failure failure_;
};

// `detail`: the words of an unexpected error, in UTF-8.
std::u16string messageFor(Failure failure, std::string_view detail = {});

// Within a handler of a std::exception: the message for the failure it
// stands for (a platform's failure, memory running out, or another error).
std::u16string messageForCurrentException();

} // namespace tagwell
