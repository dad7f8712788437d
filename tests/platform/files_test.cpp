// Whole-file reads and writes on real files: what a failure leaves behind.
#include "platform/files.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/file_faults.h"

#include <chrono>
#include <optional>
#include <thread>
#else
#include "file_size_limit.h"

#include <sys/stat.h>
#endif

namespace brisel {
namespace {

const std::string oldContent = "MAT=1,alt\r\n-XHATCH=1, 2, 3\r\n-KG_P_L=1.0";
const std::string newContent(20000, 'n');

std::size_t entries(const TempFolder& folder) {
    const std::filesystem::directory_iterator all(folder.file({}));
    return static_cast<std::size_t>(std::distance(begin(all), end(all)));
}

TEST(ReplaceFile, CreatesOrReplacesWholly) {
    TempFolder folder;
    EXPECT_EQ(replaceFile(folder.path(u"neu.ini"), "abc"), WriteError::none);
    EXPECT_EQ(folder.read(u"neu.ini"), "abc");
    EXPECT_EQ(replaceFile(folder.path(u"neu.ini"), ""), WriteError::none);
    EXPECT_EQ(folder.read(u"neu.ini"), "");
    EXPECT_EQ(entries(folder), 1u);
}

TEST(AppendToFile, AddsAfterTheLastByteOrCreates) {
    TempFolder folder;
    EXPECT_EQ(appendToFile(folder.path(u"neu.ini"), {"abc"}), WriteError::none);
    folder.write(u"alt.ini", oldContent);
    EXPECT_EQ(appendToFile(folder.path(u"alt.ini"), {"MAT=", "2"}), WriteError::none);
    EXPECT_EQ(folder.read(u"neu.ini"), "abc");
    EXPECT_EQ(folder.read(u"alt.ini"), oldContent + "MAT=2");
}

TEST(AppendToFile, TakesBackAnAppendWhoseFlushToDiskFails) {
    TempFolder folder;
    folder.write(u"material.ini", oldContent);
    failAppendFlushes(2);
    EXPECT_EQ(appendToFile(folder.path(u"material.ini"), {"\r\n", newContent}), WriteError::cannotWrite);
    EXPECT_EQ(appendToFile(folder.path(u"neu.ini"), {newContent}), WriteError::cannotWrite);
    EXPECT_EQ(folder.read(u"material.ini"), oldContent);
    EXPECT_FALSE(folder.exists(u"neu.ini"));
}

TEST(Writes, NameWhyThePathCannotBeWritten) {
    TempFolder folder;
    folder.makeFolder(u"Ordner.ini");
    EXPECT_EQ(replaceFile(folder.path(u"fehlt/material.ini"), "x"), WriteError::folderMissing);
    EXPECT_EQ(appendToFile(folder.path(u"fehlt/material.ini"), {"x"}), WriteError::folderMissing);
    EXPECT_EQ(replaceFile(folder.path(u"Ordner.ini"), "x"), WriteError::isFolder);
    EXPECT_EQ(appendToFile(folder.path(u"Ordner.ini"), {"x"}), WriteError::isFolder);
    EXPECT_FALSE(folder.exists(u"fehlt"));
}

TEST(ReadWholeFile, ReadsEveryByteOrNothing) {
    TempFolder folder;
    const std::string bytes("K\r\n\0\xFF\x80;\r\r\n", 10);
    folder.write(u"tabelle.csv", bytes);
    EXPECT_EQ(readWholeFile(folder.path(u"tabelle.csv")).bytes.value().view(), bytes);
    EXPECT_EQ(readWholeFile(folder.path(u"fehlt.csv")).error, ReadError::cannotRead);
    EXPECT_EQ(readWholeFile(folder.path({})).error, ReadError::cannotRead);
}

#ifdef _WIN32

// Opens a file as another program would: with no sharing at all, or for reading and
// writing only, as Excel keeps an open workbook.
HANDLE holdOpen(const std::u16string& path, DWORD share) {
    return CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(Files, RefuseAFileHeldWithoutSharingAfterASecondAndLeaveNothingBehind) {
    TempFolder folder;
    const std::u16string path = folder.write(u"material.ini", oldContent);
    const HANDLE held = holdOpen(path, 0);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(replaceFile(path, newContent), WriteError::inUse);
    EXPECT_EQ(appendToFile(path, {newContent}), WriteError::inUse);
    EXPECT_EQ(readWholeFile(path).error, ReadError::inUse);
    // Each waits about a second for the file, and no longer.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3 * 3));
    CloseHandle(held);
    EXPECT_EQ(folder.read(u"material.ini"), oldContent);
    EXPECT_EQ(entries(folder), 1u);
}

TEST(Files, WaitForAFileThatAnotherProgramHoldsForAMoment) {
    TempFolder folder;
    const std::u16string path = folder.path(u"material.ini");
    // A virus scanner's look at the file, for 200 ms: sharing nothing, or all but its deletion
    // (which only the replacement itself meets).
    const auto heldForAMoment = [&](auto operation, DWORD share = 0) {
        const HANDLE held = holdOpen(path, share);
        EXPECT_NE(held, INVALID_HANDLE_VALUE);
        std::thread scanner([held] {
            Sleep(200);
            CloseHandle(held);
        });
        operation();
        scanner.join();
    };
    folder.write(u"material.ini", oldContent);
    heldForAMoment([&] { EXPECT_EQ(replaceFile(path, "alt"), WriteError::none); }, FILE_SHARE_READ | FILE_SHARE_WRITE);
    heldForAMoment([&] { EXPECT_EQ(replaceFile(path, "neu"), WriteError::none); });
    heldForAMoment([&] { EXPECT_EQ(appendToFile(path, {"er"}), WriteError::none); });
    heldForAMoment([&] { EXPECT_EQ(readWholeFile(path).bytes.value().view(), "neuer"); });
    EXPECT_EQ(entries(folder), 1u);
}

TEST(ReadWholeFile, ReadsATableThatAnotherProgramHasOpenForWriting) {
    TempFolder folder;
    const std::u16string path = folder.write(u"tabelle.csv", oldContent);
    const HANDLE held = holdOpen(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(readWholeFile(path).bytes.value().view(), oldContent);
    CloseHandle(held);
}

TEST(Writes, KeepAReadOnlyFile) {
    TempFolder folder;
    const std::u16string path = folder.write(u"material.ini", oldContent);
    ASSERT_TRUE(SetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str()), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(replaceFile(path, newContent), WriteError::cannotWrite);
    EXPECT_EQ(appendToFile(path, {newContent}), WriteError::cannotWrite);
    SetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str()), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(folder.read(u"material.ini"), oldContent);
    EXPECT_EQ(entries(folder), 1u);
}

// Each file-changing call failing in turn: afterwards the file holds all the new bytes
// (the call succeeded) or exactly its old ones, and nothing is left beside it.
TEST(Files, EachFileChangingCallFailingInTurnCostsNoFile) {
    struct Case {
        const char* name;
        bool replace;
        std::optional<std::string> old;
        bool temporariesRefused;
    };
    for (const Case& c : {Case{"replace", true, oldContent, false}, Case{"replace in place", true, oldContent, true},
                          Case{"replace a missing file", true, std::nullopt, false},
                          Case{"append", false, oldContent + "\r\n", false},
                          Case{"append after an open line", false, oldContent, false},
                          Case{"append to a missing file", false, std::nullopt, false}}) {
        for (const FileFault fault : {FileFault::error, FileFault::shortWrite}) {
            for (int step = 1;; ++step) {
                ASSERT_LT(step, 50) << c.name;
                TempFolder folder;
                const std::u16string path = folder.path(u"material.ini");
                if (c.old)
                    folder.write(u"material.ini", *c.old);
                refuseTemporaryFiles(c.temporariesRefused);
                injectFileFault(step, fault);
                const WriteError error = c.replace ? replaceFile(path, newContent) : appendToFile(path, {"\r\n", newContent});
                const bool met = fileFaultMet();
                injectFileFault(0, FileFault::error);
                refuseTemporaryFiles(false);
                const std::string expected =
                    error != WriteError::none ? c.old.value_or("<missing>")
                                              : (c.replace ? newContent : c.old.value_or("") + "\r\n" + newContent);
                EXPECT_EQ(folder.read(u"material.ini"), expected) << c.name << ", step " << step;
                EXPECT_EQ(entries(folder), c.old || error == WriteError::none ? 1u : 0u) << c.name << ", step " << step;
                if (!met) {
                    EXPECT_EQ(error, WriteError::none) << c.name;
                    break;
                }
            }
        }
    }
}

TEST(Files, WorkOnPathsLongerThan260Characters) {
    TempFolder folder;
    // The test makes and removes its folders in the long form, which has no length limit.
    const std::wstring longForm = L"\\\\?\\" + folder.file({}).wstring();
    std::u16string relative;
    std::vector<std::wstring> folders;
    for (char16_t i = u'0'; i < u'6'; ++i) {
        relative += u"\\Materialdaten der Abteilung Konstruktion " + std::u16string(1, i);
        folders.push_back(longForm + std::wstring(relative.begin(), relative.end()));
        ASSERT_TRUE(CreateDirectoryW(folders.back().c_str(), nullptr));
    }
    const std::u16string path = folder.path({}) + relative + u"\\material.ini";
    ASSERT_GT(path.size(), 260u);
    EXPECT_EQ(replaceFile(path, "abc"), WriteError::none);
    EXPECT_EQ(appendToFile(path, {"def"}), WriteError::none);
    EXPECT_TRUE(isOrdinaryFile(path));
    EXPECT_EQ(readWholeFile(path).bytes.value().view(), "abcdef");
    EXPECT_TRUE(DeleteFileW((folders.back() + L"\\material.ini").c_str()));
    for (auto at = folders.rbegin(); at != folders.rend(); ++at)
        RemoveDirectoryW(at->c_str());
}

#else

TEST(ReplaceFile, KeepsTheOldFileWhenTheDiskIsFull) {
    TempFolder folder;
    folder.write(u"material.ini", oldContent);
    {
        FileSizeLimit full(4096);
        EXPECT_EQ(replaceFile(folder.path(u"material.ini"), newContent), WriteError::cannotWrite);
    }
    EXPECT_EQ(folder.read(u"material.ini"), oldContent);
    EXPECT_EQ(entries(folder), 1u);
}

TEST(AppendToFile, TakesBackAPartialAppend) {
    TempFolder folder;
    folder.write(u"material.ini", oldContent);
    {
        FileSizeLimit full(4096);
        EXPECT_EQ(appendToFile(folder.path(u"material.ini"), {newContent}), WriteError::cannotWrite);
        EXPECT_EQ(appendToFile(folder.path(u"neu.ini"), {newContent}), WriteError::cannotWrite);
    }
    EXPECT_EQ(folder.read(u"material.ini"), oldContent);
    EXPECT_FALSE(folder.exists(u"neu.ini"));
}

TEST(Files, NeverWaitOnAPipe) {
    TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.file(u"pipe").c_str(), 0666), 0);
    EXPECT_FALSE(readWholeFile(folder.path(u"pipe")).bytes);
    EXPECT_EQ(replaceFile(folder.path(u"pipe"), "x"), WriteError::notAFile);
    EXPECT_EQ(appendToFile(folder.path(u"pipe"), {"x"}), WriteError::notAFile);
    EXPECT_FALSE(isOrdinaryFile(folder.path(u"pipe")));
}

#endif

}  // namespace
}  // namespace brisel
