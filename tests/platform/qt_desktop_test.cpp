// The Qt dialogs: the filter "description|pattern" as name filters, and the Yes/No box.
#include "platform/qt_desktop.h"

#include "temp_folder.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

namespace brisel {
namespace {

using namespace Qt::StringLiterals;

TEST(NameFilters, KeepDescriptionsThatNameTheirPattern) {
    EXPECT_EQ(nameFilters(u"CSV-Dateien (*.csv)|*.csv"_s), QStringList{u"CSV-Dateien (*.csv)"_s});
    EXPECT_EQ(nameFilters(u"INI-Dateien (*.ini)|*.ini"_s), QStringList{u"INI-Dateien (*.ini)"_s});
    EXPECT_EQ(nameFilters(u"Tabellen|*.csv|Alle|*.*"_s), (QStringList{u"Tabellen (*.csv)"_s, u"Alle (*.*)"_s}));
}

// Qt's own file dialog reads a name that is no UTF-8 with U+FFFD for its byte: the name
// meant is the one entry of its folder that reads so.
TEST(ChosenPath, FindsANameWithAByteReadAsReplacementAgain) {
    TempFolder folder;
    folder.makeFolder(u"Mat\xDCE4");
    folder.write(u"Mat\xDCE4/a\xDCFC.ini", "");
    folder.write(u"b\xDCE4.ini", "");
    folder.write(u"b\xDCFC.ini", "");
    const std::u16string at = folder.path({});
    EXPECT_EQ(withNamesFoundAgain(at + u"/Mat\uFFFD/a\uFFFD.ini"), at + u"/Mat\xDCE4/a\xDCFC.ini");
    EXPECT_EQ(withNamesFoundAgain(at + u"/Mat\uFFFD/neu.ini"), at + u"/Mat\xDCE4/neu.ini");
    EXPECT_EQ(withNamesFoundAgain(at + u"/neu\uFFFD.ini"), at + u"/neu\uFFFD.ini");
    EXPECT_EQ(withNamesFoundAgain(u"Mat\uFFFD/a.ini"), u"Mat\xDCE4/a.ini");
    EXPECT_EQ(withNamesFoundAgain(at + u"/b\uFFFD.ini"), std::nullopt);  // which of the two is not known
    EXPECT_EQ(localPath(QUrl::fromEncoded("file:///daten/M%E4rz%20%C3%BC.csv")), u"/daten/M\xDCE4rz ü.csv");
    EXPECT_EQ(localPath(QUrl::fromEncoded("https://example.org/a.csv")), std::nullopt);
    EXPECT_EQ(fileUrl(u"/Mat\xDCE4 ü/brisel.conf")->toEncoded(), "file:///Mat%E4%20%C3%BC/brisel.conf");
    EXPECT_EQ(fileUrl(u"/a\xD800"), std::nullopt);
}

// The editor starts through the desktop's opener, which tells whether it has an
// application for the file: one that has none is a failure the window reports.
TEST(EditorStart, SaysWhetherTheDesktopHadAnApplicationForTheFile) {
    TempFolder folder;
    folder.makeFolder(u"bin");
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", (folder.file(u"bin").string() + ":" + path).c_str(), 1);
    for (const auto& [opener, opened] : {std::pair{"exit 0", true}, std::pair{"exit 3", false}}) {
        folder.write(u"bin/xdg-open", std::string("#!/bin/sh\n") + opener + "\n");
        folder.permit(u"bin/xdg-open", std::filesystem::perms::owner_all);
        QtDesktop desktop;
        EXPECT_EQ(desktop.startEditor(u"brisel.conf"), opened) << opener;
    }
    ::setenv("PATH", path.c_str(), 1);
}

TEST(YesNoBox, SpeaksGermanWithYesAsTheDefault) {
    const auto box = yesNoBox(u"Wollen Sie die Datei anpassen?", u"Konfiguration nicht gefunden");
    EXPECT_EQ(box->button(QMessageBox::Yes)->text().remove(u'&'), u"Ja"_s);
    EXPECT_EQ(box->button(QMessageBox::No)->text().remove(u'&'), u"Nein"_s);
    EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Yes));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
}

}  // namespace
}  // namespace brisel
