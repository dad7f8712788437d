// The desktop services as Qt offers them.
#pragma once

#include "platform/desktop.h"

#include <QStringList>

namespace brisel {

class QtDesktop final : public Desktop {
public:
    void showMessage(MessageKind kind, std::u16string_view text, std::u16string_view title) override;
    Answer askYesNo(std::u16string_view text, std::u16string_view title) override;
    std::u16string chooseFile(std::u16string_view title, std::u16string_view filter) override;
    bool startEditor(std::u16string_view file) override;
};

// "CSV-Dateien (*.csv)|*.csv" as the name filters of a Qt file dialog.
QStringList nameFilters(const QString& filter);

}  // namespace brisel
