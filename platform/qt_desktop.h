// The desktop services as Qt offers them.
#pragma once

#include "platform/desktop.h"

#include <QStringList>

#include <memory>

class QApplication;
class QMessageBox;

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

// The Yes/No box as askYesNo shows it, not yet shown.
std::unique_ptr<QMessageBox> yesNoBox(std::u16string_view text, std::u16string_view title);

// Qt's own texts (the boxes' buttons, the file dialog) in German, whatever the desktop's
// language: the whole program is German. False if the translation is not installed.
bool installGermanTexts(QApplication& application);

}  // namespace brisel
