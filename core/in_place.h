// Convert in a text control: the converted text, and where editing the text
// the control holds in place would cost less than replacing all of it, the
// few replacements that make the one of the other. Edits close together on
// a line go to the control as one replacement: each edit costs a control far
// more than the few characters between two.
#pragma once

#include "core/scanner.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tagwell {

using Text = std::u16string;

// What editing a control in place costs, against replacing its whole text;
// each front-end measures its own (tagwell-bench).
struct InPlaceCosts {
    // One replacement in place costs as much as replacing this many
    // characters of the whole text.
    std::size_t charactersPerEdit;
    // Within a longer line every edit costs in proportion to the line, so a
    // text with one is replaced whole.
    std::size_t longestLine;
    // Edits at most this far apart on a line are made as one.
    std::size_t joinWithin = 24;
};

// Characters [start, end) of the text give way to [resultStart, resultEnd)
// of the result.
struct Replacement {
    std::size_t start, end;
    std::size_t resultStart, resultEnd;
};

struct ConversionPlan {
    Text result;
    // Ascending and disjoint, so that applied from the last to the first each
    // one's positions still hold; empty where the whole text is to be
    // replaced.
    std::vector<Replacement> inPlace;
};

// Whether a line of `text` (ended by LF or CR) is longer than `limit`.
bool hasLineLongerThan(std::u16string_view text, std::size_t limit);

// The result of `text` with the replacements that make it in place, where
// that costs less than replacing the whole text; nothing where it does not
// (a line too long, too many edits), known as soon as the scan shows it.
std::optional<ConversionPlan> planInPlace(std::u16string_view text, CheckState state, const InPlaceCosts& costs);

} // namespace tagwell
