// Message boxes, the open-file dialog and Notepad through the Windows API.
#include "platform/win32_desktop.h"

#include "platform/editor_start.h"

#include <commdlg.h>

#include <algorithm>
#include <string>

namespace brisel {

void Win32Desktop::showMessage(MessageKind kind, std::u16string_view text, std::u16string_view title) {
    const UINT style = kind == MessageKind::error ? MB_OK | MB_ICONSTOP : MB_OK;
    MessageBoxW(owner_, wide(text).c_str(), wide(title).c_str(), style);
}

Answer Win32Desktop::askYesNo(std::u16string_view text, std::u16string_view title) {
    const int pressed = MessageBoxW(owner_, wide(text).c_str(), wide(title).c_str(), MB_YESNO | MB_ICONSTOP | MB_DEFBUTTON1);
    return pressed == IDYES ? Answer::yes : Answer::no;
}

std::wstring dialogFilter(std::u16string_view filter) {
    std::wstring parts = wide(filter);
    std::replace(parts.begin(), parts.end(), L'|', L'\0');
    parts.append(2, L'\0');
    return parts;
}

std::u16string Win32Desktop::chooseFile(std::u16string_view title, std::u16string_view filter) {
    const std::wstring caption = wide(title);
    const std::wstring filters = dialogFilter(filter);
    // The dialog's own limit for the name: MAX_PATH characters, starting empty.
    wchar_t file[MAX_PATH] = L"";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = filters.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = caption.c_str();
    // No options: a name that does not exist yet is given back as it is, for a new material.ini.
    dialog.Flags = 0;
    if (!GetOpenFileNameW(&dialog))
        return {};
    return utf16(file);
}

bool Win32Desktop::startEditor(std::u16string_view file) {
    return startNotepad(wide(file));
}

}  // namespace brisel
