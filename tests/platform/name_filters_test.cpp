// The dialog filter "description|pattern" as Qt's name filters.
#include "platform/qt_desktop.h"

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

}  // namespace
}  // namespace brisel
