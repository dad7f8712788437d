// Message boxes, the open-file dialog and the editor start through Qt.
#include "platform/qt_desktop.h"

#include "platform/editor_start.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>

namespace brisel {

void QtDesktop::showMessage(MessageKind kind, const QString& text, const QString& title) {
    QMessageBox box(kind == MessageKind::error ? QMessageBox::Critical : QMessageBox::NoIcon, title, text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

Answer QtDesktop::askYesNo(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? Answer::yes : Answer::no;
}

QStringList nameFilters(const QString& filter) {
    // Qt reads the pattern from the parentheses of a description; add them where missing.
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& pattern = parts[i + 1];
        const QString bracketed = u'(' + pattern + u')';
        filters << (description.endsWith(bracketed) ? description : description + u' ' + bracketed);
    }
    return filters;
}

QString QtDesktop::chooseFile(const QString& title, const QString& filter) {
    QFileDialog dialog(QApplication::activeWindow(), title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name that does not exist yet is accepted: that is how a new material.ini is named.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

bool QtDesktop::startEditor(const QString& file) {
#ifdef _WIN32
    return startNotepad(file.toStdWString());
#else
    // The desktop's application for the file; Qt starts it with an argument list, no shell.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
#endif
}

}  // namespace brisel
