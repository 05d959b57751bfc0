#include "win32/form_builder.h"

#include "win32/dpi.h"
#include "win32/wide.h"

#include <string>

namespace tagwell::win32 {

namespace {

struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

// Buttons and the box take Tab as any control does; the text area wraps its
// lines (no horizontal scrolling) under a vertical bar, and keeps Enter for
// itself.
ControlClass classOf(form::Kind kind)
{
    switch (kind) {
    case form::Kind::Button:
        return {L"BUTTON", BS_PUSHBUTTON, 0};
    case form::Kind::CheckBox:
        return {L"BUTTON", BS_AUTOCHECKBOX, 0};
    case form::Kind::TextArea:
        return {L"EDIT", WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL, WS_EX_CLIENTEDGE};
    }
    return {L"STATIC", 0, 0};
}

} // namespace

const form::Control* rowOf(int id)
{
    const int index = id - controlId(form::Id{});
    if (index < 0 || std::size_t(index) >= form::Controls.size())
        return nullptr;
    return &form::Controls[std::size_t(index)];
}

Controls createControls(HWND parent)
{
    Controls controls{};
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    for (std::size_t i = 0; i < form::Controls.size(); ++i) {
        const form::Control& row = form::Controls[i];
        const ControlClass type = classOf(row.kind);
        const std::wstring caption(wide(row.caption));
        controls[i] = CreateWindowExW(type.exStyle, type.name, caption.c_str(),
                                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | type.style, 0, 0, 0, 0, parent,
                                      reinterpret_cast<HMENU>(INT_PTR(controlId(form::Id(i)))), instance, nullptr);
    }
    SendMessageW(controls[std::size_t(form::Id::Pre)], BM_SETCHECK,
                 form::PreAtStart == CheckState::Checked ? BST_CHECKED : BST_UNCHECKED, 0);
    return controls;
}

void placeControls(const Controls& controls, int dpi, HFONT font)
{
    for (std::size_t i = 0; i < form::Controls.size(); ++i) {
        const form::Control& row = form::Controls[i];
        SetWindowPos(controls[i], nullptr, pixelsOf(row.left, dpi), pixelsOf(row.top, dpi), pixelsOf(row.width, dpi),
                     pixelsOf(row.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(controls[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

std::array<std::u16string_view, form::Controls.size() + 1> captionsAndTitle()
{
    std::array<std::u16string_view, form::Controls.size() + 1> texts{};
    for (std::size_t i = 0; i < form::Controls.size(); ++i)
        texts[i] = form::Controls[i].caption;
    texts.back() = form::Caption;
    return texts;
}

} // namespace tagwell::win32
