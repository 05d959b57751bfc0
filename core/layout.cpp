#include "core/layout.h"

#include <cmath>

namespace tagwell::layout {

namespace {

// The current rounding mode is to nearest, ties to even, unless a program
// changes it; this one does not.
int roundToEven(double value)
{
    return int(std::nearbyint(value));
}

} // namespace

Margins measure(Size client, Size textArea)
{
    return {roundToEven(client.height - textArea.height), roundToEven(client.width - textArea.width)};
}

std::optional<Size> textAreaSize(const Margins& margins, Size client)
{
    const double height = client.height - margins.height;
    if (!(height > 0))
        return std::nullopt;
    return Size{client.width - margins.width, height};
}

} // namespace tagwell::layout
