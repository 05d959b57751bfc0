#include "core/commands.h"

#include <new>
#include <stdexcept>
#include <utility>

namespace tagwell {

std::u16string_view helpAddress()
{
    return u"https://" TAGWELL_HELP_HOST "/apps/soft/?tagwell";
}

void convert(TextArea& area, const CheckBox& box)
{
    const CheckState state = box.checkState();
    const Text text = area.text();
    if (const std::optional<InPlaceCosts> costs = area.inPlaceCosts()) {
        if (std::optional<ConversionPlan> plan = planInPlace(text, state, *costs))
            return area.setConverted(std::move(*plan));
    }
    area.setConvertedWhole(text, state);
}

void paste(TextArea& area, const Clipboard& clipboard)
{
    area.setText(clipboard.text());
}

void copy(const TextArea& area, Clipboard& clipboard)
{
    clipboard.setText(area.text());
}

void clear(TextArea& area)
{
    area.setText({});
}

void openHelp(Launcher& launcher)
{
    launcher.open(helpAddress());
}

namespace {

void perform(Command command, const CommandTargets& on)
{
    switch (command) {
    case Command::Paste:
        return paste(on.text, on.clipboard);
    case Command::Convert:
        return convert(on.text, on.pre);
    case Command::Copy:
        return copy(on.text, on.clipboard);
    case Command::Clear:
        return clear(on.text);
    case Command::OpenHelp:
        return openHelp(on.launcher);
    }
}

} // namespace

std::optional<std::u16string> run(Command command, const CommandTargets& targets)
{
    std::optional<std::u16string> failure;
    try {
        perform(command, targets);
    } catch (const std::exception&) {
        failure = messageForCurrentException();
    }
    // Whatever the command finished reaches the screen before any message.
    try {
        targets.text.commit();
    } catch (const std::bad_alloc&) {
        failure = messageFor(Failure::TextNotShown);
    }
    return failure;
}

} // namespace tagwell
