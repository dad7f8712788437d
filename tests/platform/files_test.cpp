// Whole-file writes on real files: what a failure leaves behind.
#include "platform/files.h"

#include "file_size_limit.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>

namespace brisel {
namespace {

using namespace Qt::StringLiterals;

const std::string oldContent = "MAT=1,alt\r\n-XHATCH=1, 2, 3\r\n-KG_P_L=1.0";
const std::string newContent(20000, 'n');

TEST(ReplaceFile, CreatesOrReplacesWholly) {
    TempFolder folder;
    EXPECT_EQ(replaceFile(folder.path("neu.ini"), "abc"), WriteError::none);
    EXPECT_EQ(folder.read("neu.ini"), "abc");
    EXPECT_EQ(replaceFile(folder.path("neu.ini"), ""), WriteError::none);
    EXPECT_EQ(folder.read("neu.ini"), "");
}

TEST(AppendToFile, AddsAfterTheLastByteOrCreates) {
    TempFolder folder;
    EXPECT_EQ(appendToFile(folder.path("neu.ini"), "abc"), WriteError::none);
    folder.write("alt.ini", oldContent);
    EXPECT_EQ(appendToFile(folder.path("alt.ini"), "MAT=2"), WriteError::none);
    EXPECT_EQ(folder.read("neu.ini"), "abc");
    EXPECT_EQ(folder.read("alt.ini").toStdString(), oldContent + "MAT=2");
}

TEST(Writes, NameWhyThePathCannotBeWritten) {
    TempFolder folder;
    QDir(folder.path({})).mkdir(u"Ordner.ini"_s);
    for (auto write : {&replaceFile, &appendToFile}) {
        EXPECT_EQ(write(folder.path("fehlt/material.ini"), "x"), WriteError::folderMissing);
        EXPECT_EQ(write(folder.path("Ordner.ini"), "x"), WriteError::isFolder);
    }
    EXPECT_FALSE(folder.exists("fehlt"));
}

TEST(ReplaceFile, KeepsTheOldFileWhenTheDiskIsFull) {
    TempFolder folder;
    folder.write("material.ini", oldContent);
    {
        FileSizeLimit full(4096);
        EXPECT_EQ(replaceFile(folder.path("material.ini"), newContent), WriteError::cannotWrite);
    }
    EXPECT_EQ(folder.read("material.ini").toStdString(), oldContent);
    EXPECT_EQ(QDir(folder.path({})).entryList(QDir::Files), QStringList{u"material.ini"_s});
}

TEST(AppendToFile, TakesBackAPartialAppend) {
    TempFolder folder;
    folder.write("material.ini", oldContent);
    {
        FileSizeLimit full(4096);
        EXPECT_EQ(appendToFile(folder.path("material.ini"), newContent), WriteError::cannotWrite);
        EXPECT_EQ(appendToFile(folder.path("neu.ini"), newContent), WriteError::cannotWrite);
    }
    EXPECT_EQ(folder.read("material.ini").toStdString(), oldContent);
    EXPECT_FALSE(folder.exists("neu.ini"));
}

TEST(Files, NeverWaitOnAPipe) {
    TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.path("pipe").toLocal8Bit().constData(), 0666), 0);
    EXPECT_FALSE(readWholeFile(folder.path("pipe")));
    EXPECT_EQ(replaceFile(folder.path("pipe"), "x"), WriteError::notAFile);
    EXPECT_EQ(appendToFile(folder.path("pipe"), "x"), WriteError::notAFile);
    EXPECT_FALSE(isOrdinaryFile(folder.path("pipe")));
}

TEST(ReadWholeFile, ReadsEveryByteOrNothing) {
    TempFolder folder;
    const std::string bytes("K\r\n\0\xFF\x80;\r\r\n", 10);
    folder.write("tabelle.csv", bytes);
    EXPECT_EQ(readWholeFile(folder.path("tabelle.csv")).value().view(), bytes);
    EXPECT_FALSE(readWholeFile(folder.path("fehlt.csv")));
    EXPECT_FALSE(readWholeFile(folder.path({})));
}

}  // namespace
}  // namespace brisel
