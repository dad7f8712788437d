// The one window on the Windows API: it lays out the controls, hands their clicks to the
// commands and lets the commands read and write the controls.
#pragma once

#include "app/commands.h"
#include "app/form.h"
#include "app/layout.h"
#include "app/win32/accessible_names.h"

#include "base/windows_api.h"

#include <shellapi.h>

#include <array>
#include <optional>
#include <string>

namespace brisel {
class Desktop;
}

class converter final : private brisel::Form {
public:
    // Creates the window, centred on the work area and not yet shown, and runs its start-up.
    explicit converter(brisel::Desktop& desktop);
    ~converter() override;
    converter(const converter&) = delete;
    converter& operator=(const converter&) = delete;

    // Null once the window is closed.
    HWND handle() const noexcept { return window; }
    HWND control(brisel::layout::Control which) const noexcept;
    HWND toolTips() const noexcept { return tips; }
    // Whether the screen readers' names of the text boxes were set.
    HRESULT accessibleNames() const noexcept { return accessibility.result(); }
    // Shows the window with the focus in the first box.
    void show(int how);

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(HWND hwnd, int id, HWND control, UINT code);
    void OnActivate(HWND hwnd, UINT state, HWND other, BOOL minimized);
    void OnDropFiles(HWND hwnd, HDROP drop);
    void OnDpiChanged(HWND hwnd, UINT newDpi, const RECT* suggested);
    void OnDestroy(HWND hwnd);

    void createControls();
    // Places every control and sets its font for the window's DPI.
    void placeControls();
    int pixels(int twips) const noexcept;
    // Sizes the window so that its client area is the layout's at its DPI.
    void fitClientArea();
    std::optional<brisel::TextBox> boxAt(POINT point) const noexcept;
    HWND box(brisel::TextBox which) const noexcept;

    // brisel::Form
    void setTitle(std::u16string_view title) override;
    std::u16string text(brisel::TextBox which) const override;
    void setText(brisel::TextBox which, std::u16string_view text) override;
    bool isSelected(int index) const override;
    void select(int index) override;
    void deselect(int index) override;
    void unload() override;

    brisel::AccessibleNames accessibility;  // first: COM is ready before the window exists
    brisel::Commands commands;
    HWND window = nullptr;
    HWND tips = nullptr;
    HFONT font = nullptr;
    HWND focus = nullptr;  // where the focus was when the window was last left
    UINT dpi = USER_DEFAULT_SCREEN_DPI;
    // The controls, in the order of the layout table.
    std::array<HWND, brisel::layout::controls.size()> controls{};
};

// Runs the program's message loop until the window is closed; the keyboard works as in a
// dialog (Tab, arrows within the option group), but Enter and Escape trigger no command.
int runMessageLoop(HWND window);
