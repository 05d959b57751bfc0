// What the readers of another program's clipboard share, on every desktop
// that hands it over as bytes (X11, Wayland): how long its owner may take,
// and the bytes as text, by one set of rules.
#pragma once

#include "core/commands.h"

#include <algorithm>
#include <chrono>
#include <string_view>

namespace tagwell {

// An owner that keeps the window waiting longer than this for any one
// answer is taken as hung; a transfer, however big, ends within
// TransferLimit.
inline constexpr auto AnswerLimit = std::chrono::milliseconds(2000);
inline constexpr auto TransferLimit = std::chrono::seconds(30);

using Clock = std::chrono::steady_clock;

// When the next answer of a transfer that must end by `transferEnd` is due.
inline Clock::time_point answerDue(Clock::time_point transferEnd)
{
    return std::min(Clock::now() + AnswerLimit, transferEnd);
}

// The time left until `deadline` as poll() takes it: whole milliseconds,
// rounded up, and 0 once it has passed.
inline int millisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return int(std::max<decltype(left)>(left, 0));
}

// The failure of a read that found no text it could give.
[[noreturn]] inline void unreadable()
{
    throw PlatformError(Failure::ClipboardUnreadable);
}

// UTF-8 as Qt decodes it, invalid bytes replaced as Qt replaces them; a byte
// order mark at the start stays part of the text.
Text utf8Text(std::string_view bytes);

// Each byte is the character of that number.
Text latin1Text(std::string_view bytes);

} // namespace tagwell
