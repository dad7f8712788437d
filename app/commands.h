// What the window does: its start-up and the commands behind its five buttons, without
// any toolkit. The window's controls are reached through a Form, everything modal or
// outside the process through a Desktop; files through the platform's file layer.
#pragma once

#include "app/form.h"
#include "app/write_mode.h"

#include <string>
#include <string_view>
#include <vector>

namespace brisel {

class Desktop;

class Commands {
public:
    Commands(Form& form, Desktop& desktop) noexcept : form(form), desktop(desktop) {}

    void Form_Load();
    void cmd_select_source_Click();
    void cmd_select_destination_Click();
    void cmd_defaults_Click();
    void cmd_convert_Click();
    void cmd_beenden_Click();
    // Files dropped from the file manager on a text box or its frame: the first one's
    // local path goes into the box as if it had been typed. The prefix takes none.
    void filesDropped(TextBox box, const std::vector<std::u16string>& paths);

private:
    std::u16string selectFile(std::u16string_view titel, std::u16string_view filterString);
    std::u16string convert(const std::u16string& Source, const std::u16string& destination, WriteMode action);
    void parseConfigFile(std::u16string_view file);
    bool createConfigFile(std::u16string_view file);

    void showError(std::u16string_view text, std::u16string_view title);

    Form& form;
    Desktop& desktop;
    std::u16string version;
};

}  // namespace brisel
