// The version information and icon that the resource script puts into the executable.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class VersionResource : public testing::Test {
protected:
    void SetUp() override {
        wchar_t path[MAX_PATH];
        ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeW(path, &handle);
        ASSERT_GT(size, 0u);
        block.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));
    }

    std::wstring text(const wchar_t* name) {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040704B0\\") + name;
        if (!VerQueryValueW(block.data(), key.c_str(), &value, &length) || length == 0)
            return L"<missing>";
        return std::wstring(static_cast<const wchar_t*>(value), length - 1);
    }

    std::vector<char> block;
};

TEST_F(VersionResource, HoldsTheTextsInTheGermanBlock) {
    EXPECT_EQ(text(L"FileDescription"), L"Datenkonverter CSV nach MegaCAD material.ini-Format");
    EXPECT_EQ(text(L"CompanyName"), L"keine");
    EXPECT_EQ(text(L"ProductName"), L"brisel");
    EXPECT_EQ(text(L"InternalName"), L"brisel");
    EXPECT_EQ(text(L"OriginalFilename"), L"brisel.exe");
    EXPECT_EQ(text(L"FileVersion"), L"1.01");
    EXPECT_EQ(text(L"ProductVersion"), L"1.01");
}

TEST_F(VersionResource, HoldsTheNumbersTypeAndTranslation) {
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(1, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(1, 1));
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));

    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    const auto* translation = static_cast<const WORD*>(value);
    EXPECT_EQ(translation[0], 0x0407);
    EXPECT_EQ(translation[1], 1200);
}

TEST(Icon, IsOne32By32ImageIn16Colours) {
    const HRSRC group = FindResourceW(nullptr, L"IDI_ICON1", MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, group)));
    ASSERT_NE(directory, nullptr);
    // GRPICONDIR: reserved, type, count; then per image: width, height, colours, ...
    EXPECT_EQ(reinterpret_cast<const WORD*>(directory)[2], 1);
    EXPECT_EQ(directory[6], 32);
    EXPECT_EQ(directory[7], 32);
    EXPECT_EQ(directory[8], 16);
}

}  // namespace
