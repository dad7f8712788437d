// A fresh folder for one test, made the working directory while the test runs.
#pragma once

#include "base/utf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace brisel {

class TempFolder {
public:
    TempFolder() : previous_(std::filesystem::current_path()) {
        static std::atomic<int> counter = 0;
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = test ? test->name() : "test";
        std::replace(name.begin(), name.end(), '/', '-');  // parameterised tests are named "Test/Case"
        dir_ = std::filesystem::temp_directory_path() /
               ("brisel-" + name + "-" +
                std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
                std::to_string(++counter));
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        permit({}, std::filesystem::perms::all);
        std::filesystem::remove_all(dir_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // A name as the programs hold it: on Linux a byte that is no UTF-8 as U+DC80 + byte.
    std::filesystem::path file(std::u16string_view name) const {
        if (name.empty())
            return dir_;
#ifdef _WIN32
        return dir_ / std::wstring(name.begin(), name.end());
#else
        return dir_ / bytesFromUtf16(name).value_or(std::string());
#endif
    }
    // The full path of a name in the folder (the folder itself for an empty name).
    std::u16string path(std::u16string_view name) const {
#ifdef _WIN32
        const std::wstring generic = file(name).generic_wstring();  // UTF-16 as it stands, half characters too
        return std::u16string(generic.begin(), generic.end());
#else
        return utf16FromBytes(file(name).native());
#endif
    }

    std::u16string write(std::u16string_view name, std::string_view bytes) const {
        std::ofstream out(file(name), std::ios::binary);
        EXPECT_TRUE(out.good());
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path(name);
    }

    std::string read(std::u16string_view name) const {
        std::ifstream in(file(name), std::ios::binary);
        if (!in)
            return "<missing>";
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    bool exists(std::u16string_view name) const { return std::filesystem::exists(file(name)); }
    void makeFolder(std::u16string_view name) const { std::filesystem::create_directories(file(name)); }

    // Sets the permissions of the folder itself (name empty) or of a file in it.
    void permit(std::u16string_view name, std::filesystem::perms permissions) const {
        std::error_code ignored;
        std::filesystem::permissions(file(name), permissions, ignored);
    }

private:
    std::filesystem::path dir_;
    std::filesystem::path previous_;
};

}  // namespace brisel
