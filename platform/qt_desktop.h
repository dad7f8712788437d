// The desktop services as Qt offers them.
#pragma once

#include "platform/desktop.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <string>

class QApplication;
class QMessageBox;
class QUrl;

namespace brisel {

class QtDesktop final : public Desktop {
public:
    void showMessage(MessageKind kind, std::u16string_view text, std::u16string_view title) override;
    Answer askYesNo(std::u16string_view text, std::u16string_view title) override;
    std::u16string chooseFile(std::u16string_view title, std::u16string_view filter) override;
    bool startEditor(std::u16string_view file) override;
};

// The path of a local file's URL, byte for byte as the URL encodes it (see
// utf16FromBytes): QUrl::toLocalFile would read the bytes as UTF-8 and put U+FFFD for one
// that is none, naming another file. Nothing for a URL of no local file.
std::optional<std::u16string> localPath(const QUrl& url);

// The file URL of an absolute path, byte for byte (localPath's inverse); nothing for a
// path that no bytes give.
std::optional<QUrl> fileUrl(std::u16string_view path);

// A path in which Qt's own file dialog put U+FFFD for a byte of a name that is no UTF-8,
// with each such name found again among its folder's entries: the one entry that reads so.
// Nothing where several do; a name that none reads so stays as it is.
std::optional<std::u16string> withNamesFoundAgain(std::u16string_view path);

// "CSV-Dateien (*.csv)|*.csv" as the name filters of a Qt file dialog.
QStringList nameFilters(const QString& filter);

// The Yes/No box as askYesNo shows it, not yet shown.
std::unique_ptr<QMessageBox> yesNoBox(std::u16string_view text, std::u16string_view title);

// Qt's own texts (the boxes' buttons, the file dialog) in German, whatever the desktop's
// language: the whole program is German. False if the translation is not installed.
bool installGermanTexts(QApplication& application);

}  // namespace brisel
