// The desktop services as the Windows API offers them: MessageBoxW, GetOpenFileNameW and
// Notepad.
#pragma once

#include "platform/desktop.h"

#include "base/windows_api.h"

namespace brisel {

class Win32Desktop final : public Desktop {
public:
    // The window that owns the boxes and the dialog, so they are modal to it.
    void setOwner(HWND owner) noexcept { owner_ = owner; }

    void showMessage(MessageKind kind, std::u16string_view text, std::u16string_view title) override;
    Answer askYesNo(std::u16string_view text, std::u16string_view title) override;
    std::u16string chooseFile(std::u16string_view title, std::u16string_view filter) override;
    bool startEditor(std::u16string_view file) override;

private:
    HWND owner_ = nullptr;
};

// "CSV-Dateien (*.csv)|*.csv" as the dialog wants it: each part ended by a NUL, and one
// more NUL after the last.
[[nodiscard]] std::wstring dialogFilter(std::u16string_view filter);

}  // namespace brisel
