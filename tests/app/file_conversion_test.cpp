// The conversion from file to file when the files change under it.
#include "app/file_conversion.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

using namespace Qt::StringLiterals;
using Outcome = FileConversion::Outcome;

TEST(ConvertFile, ReportsASourceGoneOrReplacedAfterTheExistenceTest) {
    TempFolder folder;
    folder.write(u"material.ini"_s, "ALT");
    QDir(folder.path({})).mkdir(u"jetzt ein Ordner.csv"_s);
    for (const QString& source : {folder.path(u"entfernt.csv"_s), folder.path(u"jetzt ein Ordner.csv"_s)}) {
        for (const WriteMode mode : {WriteMode::overwrite, WriteMode::append})
            EXPECT_EQ(convertFile(source, folder.path(u"material.ini"_s), "*", mode).outcome, Outcome::sourceUnreadable);
    }
    EXPECT_EQ(folder.read(u"material.ini"_s), "ALT");
}

TEST(ConvertFile, CountsTheRowsItWrote) {
    TempFolder folder;
    const QString source = folder.write(u"t.csv"_s, "K\nA;1;2;3;4;5\nB;1;2;3;4;5\n");
    const FileConversion done = convertFile(source, folder.path(u"m.ini"_s), "", WriteMode::append);
    EXPECT_EQ(done.outcome, Outcome::ok);
    EXPECT_EQ(done.rows, 2u);
}

}  // namespace
}  // namespace brisel
