#include "win32/main_window.h"

#include "win32/accessibility.h"
#include "win32/dpi.h"
#include "win32/message_box.h"
#include "win32/wide.h"

#include <commctrl.h>

#include <new>
#include <string>

namespace tagwell::win32 {

namespace {

constexpr wchar_t ClassName[] = L"Tagwell.Form1";
// Posted at creation: what can wait until the window is up.
constexpr UINT AfterStartUp = WM_APP + 1;
constexpr DWORD Style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD ExStyle = WS_EX_CONTROLPARENT;

class PreBox : public CheckBox {
public:
    explicit PreBox(HWND box) : box_(box) {}
    CheckState checkState() const override
    {
        switch (SendMessageW(box_, BM_GETCHECK, 0, 0)) {
        case BST_CHECKED:
            return CheckState::Checked;
        case BST_INDETERMINATE:
            return CheckState::Grayed;
        default:
            return CheckState::Unchecked;
        }
    }

private:
    HWND box_;
};

// The wait cursor for as long as it lives.
class BusyCursor {
public:
    BusyCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~BusyCursor() { SetCursor(previous_); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    HCURSOR previous_;
};

void registerClass(HINSTANCE instance, WNDPROC procedure)
{
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    if (GetClassInfoExW(instance, ClassName, &type))
        return;
    type.lpfnWndProc = procedure;
    type.hInstance = instance;
    type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.lpszClassName = ClassName;
    type.hIcon = static_cast<HICON>(LoadImageW(instance, L"IDI_ICON1", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                               GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    type.hIconSm = static_cast<HICON>(LoadImageW(instance, L"IDI_ICON1", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                 GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    RegisterClassExW(&type);
}

layout::Size twipsOf(SIZE pixels, int dpi)
{
    return {win32::twipsOf(pixels.cx, dpi), win32::twipsOf(pixels.cy, dpi)};
}

SIZE sizeOf(HWND control)
{
    RECT rect{};
    GetWindowRect(control, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

} // namespace

Form1::Form1(HINSTANCE instance, FontChoice fonts) : instance_(instance), fonts_(fonts)
{
    registerClass(instance_, procedure);
    const std::wstring title(wide(form::Caption));
    CreateWindowExW(ExStyle, ClassName, title.c_str(), Style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, nullptr, nullptr, instance_, this);
}

Form1::~Form1()
{
    if (window_ != nullptr && IsWindow(window_))
        DestroyWindow(window_);
}

Font Form1::captionFont(int dpi)
{
    const auto texts = captionsAndTitle();
    return fontFor(texts, dpi);
}

bool Form1::takeMessage(MSG& message)
{
    if (window_ == nullptr)
        return false;
    if (takeKey(message, control(form::Id::WenBen), window_))
        return true;
    return IsDialogMessageW(window_, &message) != FALSE;
}

LRESULT CALLBACK Form1::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    // Nothing may unwind into the system's code that called this: a
    // failure outside a command (the text area's change taken note of, with
    // memory running out) is a message too, and the program goes on.
    LRESULT result = 0;
    try {
        result = self->handle(message, wParam, lParam);
    } catch (const std::exception&) {
        self->report(messageForCurrentException());
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
    }
    return result;
}

void Form1::create()
{
    controls_ = createControls(window_);
    const HWND wenBen = control(form::Id::WenBen);
    document_.emplace(wenBen);
    clipboard_.emplace(window_);
    launcher_.emplace(window_);
    textAreaOwner_ = {window_, &*document_};
    watchTextArea(wenBen, textAreaOwner_);

    dpi_ = dpiOf(window_);
    place(dpi_);
    const SIZE outer =
        windowSizeFor(pixelsOf(form::ClientWidth, dpi_), pixelsOf(form::ClientHeight, dpi_), Style, ExStyle, dpi_);
    SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The controls where the form puts them at `dpi`, and the window's load:
// the margins measured from the client area and the text area as placed.
void Form1::place(int dpi)
{
    // The controls leave the old font only as they are placed in the new
    // one: it goes after that.
    Font font = fonts_(dpi);
    placeControls(controls_, dpi, font.get());
    font_ = std::move(font);
    const SIZE client{pixelsOf(form::ClientWidth, dpi), pixelsOf(form::ClientHeight, dpi)};
    margins_ = layout::measure(twipsOf(client, dpi), twipsOf(sizeOf(control(form::Id::WenBen)), dpi));
}

void Form1::resize(int width, int height)
{
    const std::optional<layout::Size> area = layout::textAreaSize(margins_, twipsOf(SIZE{width, height}, dpi_));
    if (!area)
        return;
    SetWindowPos(control(form::Id::WenBen), nullptr, 0, 0, pixelsOf(area->width, dpi_), pixelsOf(area->height, dpi_),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT Form1::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        create();
        PostMessageW(window_, AfterStartUp, 0, 0);
        return 0;
    case AfterStartUp:
        nameTextArea(control(form::Id::WenBen));
        return 0;
    case WM_SIZE:
        resize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wParam);
        place(dpi_);
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        RECT client{};
        GetClientRect(window_, &client);
        resize(client.right, client.bottom);
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (const HWND focus = GetFocus(); focus != nullptr && IsChild(window_, focus))
                lastFocus_ = focus;
            return 0;
        }
        // The first activation gives the text area the focus; coming back
        // later finds the focus where it was left.
        if (!activated_ || lastFocus_ == nullptr || !IsWindow(lastFocus_))
            lastFocus_ = control(form::FocusAtFirstActivation);
        activated_ = true;
        if (HIWORD(wParam) == 0) // not minimized
            SetFocus(lastFocus_);
        return 0;
    case WM_SETFOCUS:
        if (lastFocus_ != nullptr && IsWindow(lastFocus_))
            SetFocus(lastFocus_);
        return 0;
    case WM_NEXTDLGCTL: {
        const HWND target =
            LOWORD(lParam) != 0 ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(window_, GetFocus(), wParam != 0);
        if (target != nullptr)
            SetFocus(target);
        return 0;
    }
    case WM_COMMAND:
        command(int(wParam));
        return 0;
    case WM_CLOSE:
        DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window_, message, wParam, lParam);
    }
}

void Form1::command(int wParam)
{
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id) {
    case IDOK: {
        // Enter, from the dialog keys: it presses the focused button, and
        // does nothing on the box.
        const HWND focus = GetFocus();
        const form::Control* row = focus != nullptr ? rowOf(GetDlgCtrlID(focus)) : nullptr;
        if (row != nullptr && row->kind == form::Kind::Button && row->click && IsChild(window_, focus))
            runCommand(*row->click);
        return;
    }
    case IDCANCEL:
        return;
    case UndoCommand:
    case RedoCommand:
        runHistory(id == RedoCommand);
        return;
    default:
        break;
    }
    const form::Control* row = rowOf(id);
    if (row == nullptr)
        return;
    if (row->kind == form::Kind::TextArea && code == EN_CHANGE)
        document_->noticeChange();
    else if (row->kind == form::Kind::Button && code == BN_CLICKED && row->click)
        runCommand(*row->click);
}

void Form1::runCommand(Command command)
{
    std::optional<std::u16string> failure;
    {
        const BusyCursor busy;
        const PreBox pre(control(form::Id::Pre));
        failure = run(command, {*document_, pre, *clipboard_, *launcher_});
    }
    if (failure)
        report(*failure);
}

void Form1::runHistory(bool redo)
{
    std::optional<std::u16string> failure;
    {
        const BusyCursor busy;
        try {
            redo ? document_->redo() : document_->undo();
        } catch (const std::bad_alloc&) {
            failure = messageFor(Failure::TextNotShown);
        }
    }
    if (failure)
        report(*failure);
}

void Form1::report(const std::u16string& message)
{
    showFailure(window_, message, form::Caption, font_.get());
}

int runProgram(HINSTANCE instance, int show, Form1::FontChoice fonts)
{
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    Form1 form(instance, fonts);
    if (form.window() == nullptr)
        return 1;
    ShowWindow(form.window(), show);
    UpdateWindow(form.window());

    MSG message;
    int status;
    while ((status = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (form.takeMessage(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return status < 0 ? 1 : int(message.wParam);
}

} // namespace tagwell::win32
