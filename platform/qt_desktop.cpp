// Message boxes, the open-file dialog and the editor start through Qt.
#include "platform/qt_desktop.h"

#include "platform/qt_text.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <QStringList>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace brisel {

void QtDesktop::showMessage(MessageKind kind, std::u16string_view text, std::u16string_view title) {
    QMessageBox box(kind == MessageKind::error ? QMessageBox::Critical : QMessageBox::NoIcon, qtText(title), qtText(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

std::unique_ptr<QMessageBox> yesNoBox(std::u16string_view text, std::u16string_view title) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, qtText(title), qtText(text),
                                             QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box->setDefaultButton(QMessageBox::Yes);
    return box;
}

Answer QtDesktop::askYesNo(std::u16string_view text, std::u16string_view title) {
    return yesNoBox(text, title)->exec() == QMessageBox::Yes ? Answer::yes : Answer::no;
}

bool installGermanTexts(QApplication& application) {
    auto* translator = new QTranslator(&application);
    if (!translator->load(QLocale(QLocale::German, QLocale::Germany), u"qtbase"_s, u"_"_s,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QApplication::installTranslator(translator);
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

std::u16string QtDesktop::chooseFile(std::u16string_view title, std::u16string_view filter) {
    QFileDialog dialog(QApplication::activeWindow(), qtText(title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name that does not exist yet is accepted: that is how a new material.ini is named.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters(qtText(filter)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdU16String();
}

bool QtDesktop::startEditor(std::u16string_view file) {
    // The desktop's application for the file; Qt starts it with an argument list, no shell.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(qtText(file)).absoluteFilePath()));
}

}  // namespace brisel
