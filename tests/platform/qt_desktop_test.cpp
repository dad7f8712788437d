// The Qt dialogs: the filter "description|pattern" as name filters, and the Yes/No box.
#include "platform/qt_desktop.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QMessageBox>
#include <QStringList>

#include <gtest/gtest.h>

namespace brisel {
namespace {

using namespace Qt::StringLiterals;

TEST(NameFilters, KeepDescriptionsThatNameTheirPattern) {
    EXPECT_EQ(nameFilters(u"CSV-Dateien (*.csv)|*.csv"_s), QStringList{u"CSV-Dateien (*.csv)"_s});
    EXPECT_EQ(nameFilters(u"INI-Dateien (*.ini)|*.ini"_s), QStringList{u"INI-Dateien (*.ini)"_s});
    EXPECT_EQ(nameFilters(u"Tabellen|*.csv|Alle|*.*"_s), (QStringList{u"Tabellen (*.csv)"_s, u"Alle (*.*)"_s}));
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
