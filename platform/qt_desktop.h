// The desktop services as Qt offers them.
#pragma once

#include "platform/desktop.h"

#include <QStringList>

namespace brisel {

class QtDesktop final : public Desktop {
public:
    void showMessage(MessageKind kind, const QString& text, const QString& title) override;
    Answer askYesNo(const QString& text, const QString& title) override;
    QString chooseFile(const QString& title, const QString& filter) override;
    bool startEditor(const QString& file) override;
};

// "CSV-Dateien (*.csv)|*.csv" as the name filters of a Qt file dialog.
QStringList nameFilters(const QString& filter);

}  // namespace brisel
