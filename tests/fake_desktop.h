// A desktop that records what the window would have shown and answers from a script.
#pragma once

#include "platform/desktop.h"

#include <gtest/gtest.h>

#include <deque>
#include <ostream>
#include <string>
#include <vector>

namespace brisel {

struct ShownMessage {
    enum class Kind { error, plain, yesNo };
    Kind kind;
    std::u16string text;
    std::u16string title;

    bool operator==(const ShownMessage&) const = default;
};

struct ShownDialog {
    std::u16string title;
    std::u16string filter;

    bool operator==(const ShownDialog&) const = default;
};

class FakeDesktop final : public Desktop {
public:
    void showMessage(MessageKind kind, std::u16string_view text, std::u16string_view title) override {
        messages.push_back({kind == MessageKind::error ? ShownMessage::Kind::error : ShownMessage::Kind::plain,
                            std::u16string(text), std::u16string(title)});
    }

    Answer askYesNo(std::u16string_view text, std::u16string_view title) override {
        messages.push_back({ShownMessage::Kind::yesNo, std::u16string(text), std::u16string(title)});
        return answer;
    }

    std::u16string chooseFile(std::u16string_view title, std::u16string_view filter) override {
        dialogs.push_back({std::u16string(title), std::u16string(filter)});
        if (choices.empty())
            return {};
        std::u16string choice = choices.front();
        choices.pop_front();
        return choice;
    }

    bool startEditor(std::u16string_view file) override {
        editedFiles.emplace_back(file);
        return editorStarts;
    }

    std::vector<ShownMessage> messages;
    std::vector<ShownDialog> dialogs;
    std::vector<std::u16string> editedFiles;

    Answer answer = Answer::no;
    std::deque<std::u16string> choices;  // what the file dialog returns, one per showing; then cancel
    bool editorStarts = true;
};

inline ShownMessage errorBox(std::u16string text, std::u16string title) {
    return {ShownMessage::Kind::error, std::move(text), std::move(title)};
}

inline void PrintTo(const ShownMessage& m, std::ostream* os) {
    *os << "{" << static_cast<int>(m.kind) << ", " << testing::PrintToString(m.text) << ", "
        << testing::PrintToString(m.title) << "}";
}

inline void PrintTo(const ShownDialog& d, std::ostream* os) {
    *os << "{" << testing::PrintToString(d.title) << ", " << testing::PrintToString(d.filter) << "}";
}

}  // namespace brisel
