// The existence test on real files and folders.
#include "platform/ordinary_file.h"

#include <gtest/gtest.h>

#include <fstream>

namespace brisel {
namespace {

namespace fs = std::filesystem;

class OrdinaryFile : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("brisel-exists-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                              "-" + testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "Ordner.csv");
        for (const char* name : {"tabelle.csv", ".versteckt.csv", "mit blank;und.csv", "M\xC3\xA4rz.csv"})
            std::ofstream(folder / name) << "Kopf\r\n";
    }
    void TearDown() override { fs::remove_all(folder); }
    fs::path folder;
};

TEST_F(OrdinaryFile, FindsOnlyOrdinaryVisibleFiles) {
    struct Case {
        const char* path;
        bool exists;
    };
    for (const Case c : {Case{"tabelle.csv", true}, Case{"mit blank;und.csv", true}, Case{"M\xC3\xA4rz.csv", true},
                         Case{"fehlt.csv", false}, Case{"Ordner.csv", false}, Case{".versteckt.csv", false},
                         Case{"*.csv", false}, Case{"tabelle.*", false}, Case{"tabelle.csv/", false}, Case{"", false}})
        EXPECT_EQ(isOrdinaryFile(folder / c.path), c.exists) << c.path;
    EXPECT_FALSE(isOrdinaryFile(fs::path()));
    EXPECT_FALSE(isOrdinaryFile(folder));
}

}  // namespace
}  // namespace brisel
