// The window as data, for every front-end to build itself from: its caption,
// client size and initial state, and its controls in tab order, each with its
// kind, name, caption, place in twips and the command its click runs. A
// front-end turns the twips into its own pixels and each row into one of its
// controls; it copies nothing of this.
#pragma once

#include "core/commands.h"
#include "tagwell_version.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace tagwell::form {

inline constexpr std::u16string_view Caption = u"Tagwell " TAGWELL_VERSION_SHORT "  - 作者:Zorvik";

// Twips: 1/1440 inch, 15 to a pixel at 96 dots per inch.
inline constexpr int TwipsPerInch = 1440;
inline constexpr int ClientWidth = 7560;
inline constexpr int ClientHeight = 5520;

enum class Kind { Button, CheckBox, TextArea };

struct Control {
    Kind kind;
    std::u16string_view name; // also what tests and tools find it by
    std::u16string_view caption;
    int left, top, width, height; // twips, from the client area's top-left corner
    std::optional<Command> click;
};

// The rows, by the position of each in the tab order.
enum class Id : std::size_t { ZhanTie, ZhuanHuan, FuZhi, QingKong, GuanWang, Pre, WenBen };

inline constexpr std::array<Control, 7> Controls = {{
    {Kind::Button, u"ZhanTie", u"粘贴", 120, 120, 975, 375, Command::Paste},
    {Kind::Button, u"ZhuanHuan", u"转换", 1200, 120, 975, 375, Command::Convert},
    {Kind::Button, u"FuZhi", u"复制", 2280, 120, 975, 375, Command::Copy},
    {Kind::Button, u"QingKong", u"清空", 3360, 120, 975, 375, Command::Clear},
    {Kind::Button, u"GuanWang", u"查看帮助/更新", 4440, 120, 1575, 375, Command::OpenHelp},
    {Kind::CheckBox, u"Pre", u"清除pre标签", 6240, 120, 1335, 375, std::nullopt},
    {Kind::TextArea, u"WenBen", u"", 0, 600, 7575, 4935, std::nullopt},
}};

constexpr const Control& control(Id id)
{
    return Controls[std::size_t(id)];
}

// The text area has no caption: screen readers call it by this name.
inline constexpr std::u16string_view TextAreaName = u"文本";

// At start-up the box is checked; the first activation of the window gives
// the text area the keyboard focus (coming back from another program later
// leaves the focus where it was).
inline constexpr CheckState PreAtStart = CheckState::Checked;
inline constexpr Id FocusAtFirstActivation = Id::WenBen;

} // namespace tagwell::form
