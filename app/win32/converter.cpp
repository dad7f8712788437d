// The window's layout on the Windows API, and its controls as the commands see them.
#include "app/win32/converter.h"

#include <commctrl.h>
#include <windowsx.h>

using brisel::TextBox;
using brisel::wide;
namespace layout = brisel::layout;

namespace {

constexpr wchar_t className[] = L"brisel.converter";
// Control IDs from the layout table's order; clear of IDOK and IDCANCEL, which the
// keyboard sends for Enter and Escape.
constexpr int firstControlId = 1000;
// A fixed frame: minimise and close, no maximise, no sizing border.
constexpr DWORD frameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

int controlId(layout::Control control) {
    return firstControlId + static_cast<int>(control);
}

std::size_t slot(layout::Control control) {
    return static_cast<std::size_t>(control);
}

void registerClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (GetClassInfoExW(instance, className, &windowClass))
        return;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, L"IDI_ICON1");
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, L"IDI_ICON1", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
}

// The window class and styles of each kind of control. Every control that takes the focus
// starts a group of its own, except the second option, which joins the first: the group
// is one stop for Tab, and the arrow keys move within it.
struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

ControlClass classOf(const layout::Entry& entry) {
    const DWORD child = WS_CHILD | WS_VISIBLE;
    switch (entry.kind) {
    case layout::Kind::frame:
        return {WC_BUTTONW, child | BS_GROUPBOX, 0};
    case layout::Kind::textBox:
        return {WC_EDITW, child | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case layout::Kind::button:
        return {WC_BUTTONW, child | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0};
    case layout::Kind::option:
        return {WC_BUTTONW,
                child | BS_AUTORADIOBUTTON | (entry.control == layout::Control::action0 ? WS_GROUP | WS_TABSTOP : 0), 0};
    }
    return {};
}

}  // namespace

converter::converter(brisel::Desktop& desktop) : commands(static_cast<brisel::Form&>(*this), desktop) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const INITCOMMONCONTROLSEX common{sizeof common, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&common);
    registerClass(instance, &converter::procedure);

    // The layout is in twips: 15 to the pixel at 96 dots per inch, scaled for the screen.
    const HDC screen = GetDC(nullptr);
    dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    RECT frame{0, 0, pixels(layout::clientArea.width), pixels(layout::clientArea.height)};
    AdjustWindowRectEx(&frame, frameStyle, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT workArea{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    const int left = workArea.left + (workArea.right - workArea.left - width) / 2;
    const int top = workArea.top + (workArea.bottom - workArea.top - height) / 2;

    CreateWindowExW(0, className, L"Materialdaten konvertieren", frameStyle, left, top, width, height, nullptr, nullptr,
                    instance, this);
    commands.Form_Load();
}

converter::~converter() {
    if (window)
        DestroyWindow(window);
}

HWND converter::control(layout::Control which) const noexcept {
    return controls[slot(which)];
}

void converter::show(int how) {
    ShowWindow(window, how);
    UpdateWindow(window);
    SetFocus(control(layout::Control::txt_source));
}

int converter::pixels(int twips) const noexcept {
    return MulDiv(twips, dpi, layout::twipsPerInch);
}

void converter::createControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    font = CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg 2");
    tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr, instance, nullptr);

    // All controls are children of the window itself, so their clicks reach it; a control
    // in a frame is placed by the frame's position. Made in tab order, which is also the
    // order the keyboard follows; each text box comes right after its frame, whose caption
    // a screen reader takes as the box's name.
    for (const layout::Entry& entry : layout::controls) {
        const ControlClass kind = classOf(entry);
        const layout::Twips place = layout::inClientArea(entry);
        const HWND control = CreateWindowExW(
            kind.exStyle, kind.name, wide(entry.caption).c_str(), kind.style, pixels(place.left), pixels(place.top),
            pixels(place.width), pixels(place.height), window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId(entry.control))), instance, nullptr);
        controls[slot(entry.control)] = control;
        SetWindowFont(control, font, FALSE);
        if (entry.kind == layout::Kind::textBox)
            Edit_LimitText(control, 0);  // no limit but the system's
        if (!entry.toolTip.empty()) {
            std::wstring tip = wide(entry.toolTip);
            TOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = window;
            tool.uId = reinterpret_cast<UINT_PTR>(control);
            tool.lpszText = tip.data();
            SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
}

LRESULT CALLBACK converter::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<converter*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<converter*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->handleMessage(hwnd, message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT converter::handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createControls();
        DragAcceptFiles(hwnd, TRUE);
        return 0;
        HANDLE_MSG(hwnd, WM_COMMAND, OnCommand);
        HANDLE_MSG(hwnd, WM_DROPFILES, OnDropFiles);
        HANDLE_MSG(hwnd, WM_ACTIVATE, OnActivate);
        HANDLE_MSG(hwnd, WM_DESTROY, OnDestroy);
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void converter::OnCommand(HWND, int id, HWND, UINT code) {
    if (code != BN_CLICKED)
        return;
    switch (static_cast<layout::Control>(id - firstControlId)) {
    case layout::Control::cmd_select_source:
        return commands.cmd_select_source_Click();
    case layout::Control::cmd_select_destination:
        return commands.cmd_select_destination_Click();
    case layout::Control::cmd_defaults:
        return commands.cmd_defaults_Click();
    case layout::Control::cmd_convert:
        return commands.cmd_convert_Click();
    case layout::Control::cmd_beenden:
        return commands.cmd_beenden_Click();
    default:
        return;  // Enter and Escape (IDOK, IDCANCEL) and the options: nothing to do
    }
}

void converter::OnActivate(HWND, UINT state, HWND, BOOL minimized) {
    // As a dialog does: the focus comes back to where it was when the window was left.
    if (state == WA_INACTIVE)
        focus = GetFocus();
    else if (!minimized && focus && IsChild(window, focus))
        SetFocus(focus);
}

void converter::OnDropFiles(HWND, HDROP drop) {
    POINT point{};
    DragQueryPoint(drop, &point);
    // The first file counts.
    std::vector<std::u16string> files;
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        std::wstring file(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
        file.resize(DragQueryFileW(drop, 0, file.data(), static_cast<UINT>(file.size())));
        files.push_back(brisel::utf16(file));
    }
    DragFinish(drop);
    if (const auto box = boxAt(point))
        commands.filesDropped(*box, files);
}

std::optional<TextBox> converter::boxAt(POINT point) const noexcept {
    // Each text box lies in its frame: the frame is where a drop counts for it.
    for (const layout::Entry& entry : layout::controls) {
        if (entry.kind != layout::Kind::frame)
            continue;
        const layout::Twips place = layout::inClientArea(entry);
        const RECT frame{pixels(place.left), pixels(place.top), pixels(place.left + place.width),
                         pixels(place.top + place.height)};
        if (PtInRect(&frame, point))
            return layout::boxOf(entry.control);
    }
    return std::nullopt;
}

void converter::OnDestroy(HWND) {
    DeleteObject(font);
    font = nullptr;
    tips = nullptr;
    controls.fill(nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    window = nullptr;
    PostQuitMessage(0);
}

HWND converter::box(TextBox which) const noexcept {
    return control(layout::controlOf(which));
}

void converter::setTitle(std::u16string_view title) {
    SetWindowTextW(window, wide(title).c_str());
}

std::u16string converter::text(TextBox which) const {
    const HWND edit = box(which);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    return brisel::utf16(text);
}

void converter::setText(TextBox which, std::u16string_view text) {
    SetWindowTextW(box(which), wide(text).c_str());
}

bool converter::isSelected(int index) const {
    return Button_GetCheck(control(layout::optionControl(index))) == BST_CHECKED;
}

void converter::select(int index) {
    Button_SetCheck(control(layout::optionControl(index)), BST_CHECKED);
    Button_SetCheck(control(layout::optionControl(1 - index)), BST_UNCHECKED);
}

void converter::deselect(int index) {
    Button_SetCheck(control(layout::optionControl(index)), BST_UNCHECKED);
}

void converter::unload() {
    DestroyWindow(window);
}

int runMessageLoop(HWND window) {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        const bool enter = (message.message == WM_KEYDOWN || message.message == WM_CHAR) && message.wParam == VK_RETURN;
        if (enter && IsWindow(window) && (message.hwnd == window || IsChild(window, message.hwnd)))
            continue;  // Enter is no default button's key here, not even a focused button's
        if (!IsWindow(window) || !IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
