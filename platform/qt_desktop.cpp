// Message boxes, the open-file dialog and the editor start through Qt.
#include "platform/qt_desktop.h"

#include "base/utf.h"
#include "platform/qt_text.h"
#include "platform/working_folder.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QTranslator>
#include <QStringList>
#include <QUrl>

#include <filesystem>
#include <system_error>

using namespace Qt::StringLiterals;

namespace brisel {
namespace {

// How long the opener of the desktop's application is waited for, in milliseconds.
constexpr int waitForOpener = 3000;

}  // namespace

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

std::optional<std::u16string> localPath(const QUrl& url) {
    if (!url.isLocalFile())
        return std::nullopt;
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    std::u16string path = utf16FromBytes(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    // A file on another machine, as toLocalFile names it.
    if (!url.host().isEmpty())
        path = u"//" + url.host().toStdU16String() + path;
    return path;
}

std::optional<QUrl> fileUrl(std::u16string_view path) {
    const std::optional<std::string> bytes = bytesFromUtf16(path);
    if (!bytes || !path.starts_with(u'/'))
        return std::nullopt;
    const QByteArray encoded = QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size())).toPercentEncoding("/");
    return QUrl::fromEncoded("file://" + encoded);
}

std::optional<std::u16string> withNamesFoundAgain(std::u16string_view path) {
    constexpr char16_t replaced = 0xFFFD;
    std::u16string found;
    for (std::size_t at = 0; at <= path.size();) {
        const std::size_t end = std::min(path.find(u'/', at), path.size());
        const std::u16string_view name = path.substr(at, end - at);
        std::u16string kept(name);
        if (name.find(replaced) != std::u16string_view::npos) {
            int readSo = 0;
            std::error_code error;
            const std::filesystem::path folder(bytesFromUtf16(found.empty() ? u"." : found).value_or(std::string()));
            for (std::filesystem::directory_iterator entry(folder, error), last; !error && entry != last;
                 entry.increment(error)) {
                const std::string entryName = entry->path().filename().native();
                if (utf16FromUtf8(entryName) == name) {
                    kept = utf16FromBytes(entryName);
                    ++readSo;
                }
            }
            if (readSo > 1)
                return std::nullopt;
        }
        found += kept;
        if (end < path.size())
            found += u'/';
        at = end + 1;
    }
    return found;
}

std::u16string QtDesktop::chooseFile(std::u16string_view title, std::u16string_view filter) {
    QFileDialog dialog(QApplication::activeWindow(), qtText(title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name that does not exist yet is accepted: that is how a new material.ini is named.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters(qtText(filter)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedUrls().isEmpty())
        return {};
    // The desktop's own dialog gives a name's bytes in its URL; Qt's reads them as UTF-8.
    // A name that cannot be told apart from another is not taken: nothing is chosen.
    const std::optional<std::u16string> chosen = localPath(dialog.selectedUrls().constFirst());
    return withNamesFoundAgain(chosen.value_or(dialog.selectedFiles().value(0).toStdU16String())).value_or(u"");
}

bool QtDesktop::startEditor(std::u16string_view file) {
    // The desktop's application for the file; Qt starts it with an argument list, no shell.
    // The URL keeps the bytes of a working folder whose name is no UTF-8.
    std::u16string path(file);
    if (!file.starts_with(u'/')) {
        const std::u16string folder = workingFolder();
        path = folder.empty() ? std::u16string() : folder + u"/" + path;
    }
    const QUrl url = fileUrl(path).value_or(QUrl::fromLocalFile(QFileInfo(qtText(file)).absoluteFilePath()));
    // xdg-open says whether the desktop has an application for the file: where it has none
    // it ends at once with an error, which Qt's own way would not tell. One that is still
    // running after a moment has started the editor, and is left to run on.
    auto* opener = new QProcess(qApp);
    opener->start(u"xdg-open"_s, {QString::fromLatin1(url.toEncoded())});
    if (!opener->waitForStarted(waitForOpener)) {
        delete opener;
        return QDesktopServices::openUrl(url);
    }
    if (!opener->waitForFinished(waitForOpener)) {
        QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
        return true;
    }
    const bool opened = opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
    delete opener;
    return opened;
}

}  // namespace brisel
