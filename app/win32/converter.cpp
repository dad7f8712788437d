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

    // Made without a size: the DPI of the monitor it lands on decides it (WM_CREATE).
    CreateWindowExW(0, className, L"Materialdaten konvertieren", frameStyle, 0, 0, 0, 0, nullptr, nullptr, instance, this);
    // A window of no size has no client area to measure: first the frame as the system
    // computes it for this DPI, then made exact.
    RECT frame{0, 0, pixels(layout::clientArea.width), pixels(layout::clientArea.height)};
    AdjustWindowRectExForDpi(&frame, frameStyle, FALSE, 0, dpi);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    fitClientArea();

    // Centred on the work area of its monitor.
    RECT workArea{};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor))
        workArea = monitor.rcWork;
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, workArea.left + (workArea.right - workArea.left - width) / 2,
                 workArea.top + (workArea.bottom - workArea.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
    return MulDiv(twips, static_cast<int>(dpi), layout::twipsPerInch);
}

void converter::fitClientArea() {
    // Measured on the window as it stands, so the client area is exact whatever the frame's
    // metrics at this DPI.
    RECT client{}, frame{};
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    const int width = pixels(layout::clientArea.width) + (frame.right - frame.left) - client.right;
    const int height = pixels(layout::clientArea.height) + (frame.bottom - frame.top) - client.bottom;
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void converter::createControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr, instance, nullptr);

    // All controls are children of the window itself, so their clicks reach it; a control
    // in a frame is placed by the frame's position. Made in tab order, which is also the
    // order the keyboard follows.
    for (const layout::Entry& entry : layout::controls) {
        const ControlClass kind = classOf(entry);
        const HWND control = CreateWindowExW(kind.exStyle, kind.name, wide(entry.caption).c_str(), kind.style, 0, 0, 0, 0,
                                             window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId(entry.control))),
                                             instance, nullptr);
        controls[slot(entry.control)] = control;
        if (entry.kind == layout::Kind::textBox) {
            Edit_LimitText(control, 0);  // no limit but the system's
            // A text box has no label of its own: screen readers get its frame's caption.
            accessibility.name(control, wide(layout::entry(entry.container).caption));
        }
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
    placeControls();
}

void converter::placeControls() {
    // The classic dialog font at 8 points, made for the window's DPI.
    const HFONT previous = font;
    font = CreateFontW(-MulDiv(8, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       L"MS Shell Dlg 2");
    for (const layout::Entry& entry : layout::controls) {
        const layout::Twips place = layout::inClientArea(entry);
        const HWND control = controls[slot(entry.control)];
        SetWindowPos(control, nullptr, pixels(place.left), pixels(place.top), pixels(place.width), pixels(place.height),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowFont(control, font, TRUE);
    }
    if (previous)
        DeleteObject(previous);
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
        dpi = GetDpiForWindow(hwnd);
        createControls();
        DragAcceptFiles(hwnd, TRUE);
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(hwnd, HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
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
    case layout::Control::cmd_convert: {
        // A large table, or a file that another program holds for a moment, may take a second.
        const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        commands.cmd_convert_Click();
        SetCursor(previous);
        return;
    }
    case layout::Control::cmd_beenden:
        return commands.cmd_beenden_Click();
    default:
        return;  // Enter and Escape (IDOK, IDCANCEL) and the options: nothing to do
    }
}

void converter::OnDpiChanged(HWND, UINT newDpi, const RECT* suggested) {
    // Moved to a monitor of another scale: the window goes where Windows suggests, and the
    // same layout is drawn anew at the new DPI.
    dpi = newDpi;
    SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    fitClientArea();
    placeControls();
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
    for (const TextBox which : {TextBox::source, TextBox::prefix, TextBox::destination})
        accessibility.forget(box(which));
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
