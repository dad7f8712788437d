// What the window's commands read and write of the window: its title, its three text
// boxes and its option pair. Each toolkit's window implements it over its controls.
#pragma once

#include <string>
#include <string_view>

namespace brisel {

enum class TextBox { source, destination, prefix };  // txt_source, txt_destination, txt_prefix

class Form {
public:
    virtual ~Form() = default;

    virtual void setTitle(std::u16string_view title) = 0;
    // Setting replaces the whole text; getting yields it unchanged.
    virtual std::u16string text(TextBox box) const = 0;
    virtual void setText(TextBox box, std::u16string_view text) = 0;
    // The option pair "action": 0 is "ersetzen", 1 "erweitern". Selecting one deselects
    // the other; deselecting one leaves the other as it is.
    virtual bool isSelected(int index) const = 0;
    virtual void select(int index) = 0;
    virtual void deselect(int index) = 0;
    // Unloads the window, which ends the program.
    virtual void unload() = 0;
};

}  // namespace brisel
