// Everything modal or outside the process that the window asks of the desktop.
#pragma once

#include <string>
#include <string_view>

namespace brisel {

enum class MessageKind {
    error,  // critical stop icon and an OK button: every input and failure message
    plain,  // an OK button, no icon: the success message
};

enum class Answer { yes, no };

// The window's commands take this by reference, so tests can answer every question
// without blocking. Texts are UTF-16, as both toolkits hold them.
class Desktop {
public:
    virtual ~Desktop() = default;

    // A modal box with one OK button.
    virtual void showMessage(MessageKind kind, std::u16string_view text, std::u16string_view title) = 0;
    // A modal box with the critical icon and the buttons Yes and No, Yes the default.
    virtual Answer askYesNo(std::u16string_view text, std::u16string_view title) = 0;
    // The open-file dialog; `filter` is pairs of description and pattern, all cut by "|".
    // The chosen file's full path, or the empty text on cancel. The file need not exist.
    virtual std::u16string chooseFile(std::u16string_view title, std::u16string_view filter) = 0;
    // Opens `file` in a text editor without waiting for it; false if none could be started.
    virtual bool startEditor(std::u16string_view file) = 0;
};

}  // namespace brisel
