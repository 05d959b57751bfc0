#include "core/commands.h"

namespace tagwell {

namespace {

Text removePreTags(const Text& text)
{
    const Text withoutOpenTags = replaceAll<char16_t>(text, literals::OpenTag, {});
    return replaceAll<char16_t>(withoutOpenTags, literals::CloseTag, {});
}

Text wrap(const Text& text)
{
    Text out;
    out.reserve(literals::OpenTag.size() + text.size() + literals::CloseTag.size());
    out.append(literals::OpenTag.begin(), literals::OpenTag.end());
    out.append(text);
    out.append(literals::CloseTag.begin(), literals::CloseTag.end());
    return out;
}

} // namespace

void convert(TextArea& area, const CheckBox& box)
{
    if (box.checkState() == CheckState::Checked)
        area.setText(removePreTags(area.text()));
    area.setText(replaceAll<char16_t>(area.text(), literals::LessThan, literals::LessThanEntity));
    area.setText(replaceAll<char16_t>(area.text(), literals::GreaterThan, literals::GreaterThanEntity));
    area.setText(wrap(area.text()));
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

} // namespace tagwell
