// The existence test on real files and folders.
#include "platform/ordinary_file.h"

#include <gtest/gtest.h>

#include <fstream>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace brisel {
namespace {

namespace fs = std::filesystem;

// Creates a small file under a name of any characters.
void touch(const fs::path& path) {
#ifdef _WIN32
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path.string() << " error " << GetLastError();
    CloseHandle(file);
#else
    std::ofstream(path) << "Kopf\r\n";
#endif
}

class OrdinaryFile : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("brisel-exists-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                              "-" + testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "Ordner.csv");
        for (const char* name : {"tabelle.csv", ".versteckt.csv", "mit blank;und.csv"})
            touch(folder / name);
        touch(folder / fs::path(u8"M\u00e4rz.csv"));
    }
    void TearDown() override { fs::remove_all(folder); }
    fs::path folder;
};

TEST_F(OrdinaryFile, FindsOnlyOrdinaryVisibleFiles) {
    struct Case {
        const char* path;
        bool exists;
    };
    for (const Case c : {Case{"tabelle.csv", true}, Case{"mit blank;und.csv", true}, Case{"fehlt.csv", false},
                         Case{"Ordner.csv", false}, Case{"*.csv", false}, Case{"tabelle.*", false},
                         Case{"tabelle.?sv", false}, Case{"", false}})
        EXPECT_EQ(isOrdinaryFile(folder / c.path), c.exists) << c.path;
#ifndef _WIN32
    // Elsewhere a leading dot hides a file; Windows hides by attribute (tested below).
    EXPECT_FALSE(isOrdinaryFile(folder / ".versteckt.csv"));
    EXPECT_FALSE(isOrdinaryFile(folder / "tabelle.csv/"));
#endif
    EXPECT_TRUE(isOrdinaryFile(folder / fs::path(u8"M\u00e4rz.csv")));
    EXPECT_FALSE(isOrdinaryFile(fs::path()));
    EXPECT_FALSE(isOrdinaryFile(folder));
}

#ifdef _WIN32
TEST_F(OrdinaryFile, CountsHiddenAndSystemFilesAsMissing) {
    for (const DWORD attribute : {DWORD{FILE_ATTRIBUTE_HIDDEN}, DWORD{FILE_ATTRIBUTE_SYSTEM}}) {
        const auto path = folder / ("markiert" + std::to_string(attribute) + ".csv");
        touch(path);
        ASSERT_TRUE(isOrdinaryFile(path));
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), attribute));
        EXPECT_FALSE(isOrdinaryFile(path)) << attribute;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}
#endif

}  // namespace
}  // namespace brisel
