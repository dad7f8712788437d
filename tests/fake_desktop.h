// A desktop that records what the window would have shown and answers from a script.
#pragma once

#include "platform/desktop.h"

#include <QString>

#include <deque>
#include <vector>

namespace brisel {

struct ShownMessage {
    enum class Kind { error, plain, yesNo };
    Kind kind;
    QString text;
    QString title;

    bool operator==(const ShownMessage&) const = default;
};

struct ShownDialog {
    QString title;
    QString filter;

    bool operator==(const ShownDialog&) const = default;
};

class FakeDesktop final : public Desktop {
public:
    void showMessage(MessageKind kind, const QString& text, const QString& title) override {
        messages.push_back({kind == MessageKind::error ? ShownMessage::Kind::error : ShownMessage::Kind::plain, text, title});
    }

    Answer askYesNo(const QString& text, const QString& title) override {
        messages.push_back({ShownMessage::Kind::yesNo, text, title});
        return answer;
    }

    QString chooseFile(const QString& title, const QString& filter) override {
        dialogs.push_back({title, filter});
        if (choices.empty())
            return {};
        QString choice = choices.front();
        choices.pop_front();
        return choice;
    }

    bool startEditor(const QString& file) override {
        editedFiles.push_back(file);
        return editorStarts;
    }

    std::vector<ShownMessage> messages;
    std::vector<ShownDialog> dialogs;
    std::vector<QString> editedFiles;

    Answer answer = Answer::no;
    std::deque<QString> choices;  // what the file dialog returns, one per showing; then cancel
    bool editorStarts = true;
};

inline ShownMessage errorBox(const QString& text, const QString& title) {
    return {ShownMessage::Kind::error, text, title};
}

inline void PrintTo(const ShownMessage& m, std::ostream* os) {
    *os << "{" << static_cast<int>(m.kind) << ", \"" << m.text.toStdString() << "\", \"" << m.title.toStdString() << "\"}";
}

}  // namespace brisel
