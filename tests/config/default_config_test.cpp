// The default brisel.conf text, byte for byte.
#include "config/default_config.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace brisel {
namespace {

TEST(DefaultConfig, HasTheFixedShape) {
    const std::string_view text = defaultConfigText();
    EXPECT_EQ(text.size(), 1161u);
    EXPECT_EQ(text.substr(0, 65), std::string(63, '#') + "\r\n");
    EXPECT_TRUE(text.ends_with("\r\n\r\n\r\n### Ende brisel.conf ###"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 40);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 40);
    for (std::size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1))
        EXPECT_EQ(text[at - 1], '\r') << "at byte " << at;
    EXPECT_NE(text.find(std::string(62, '#') + "\r\n"), std::string_view::npos);
}

TEST(DefaultConfig, MatchesKnownBytes) {
    // FNV-1a over the 1161 bytes, so any changed byte is caught.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : defaultConfigText())
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    EXPECT_EQ(hash, 12743145659984348074ull);
}

TEST(DefaultConfig, UmlautsAreSingleWindows1252Bytes) {
    const std::string_view text = defaultConfigText();
    EXPECT_NE(text.find("Konfigurationsdatei f\xFCr brisel.exe\r\n"), std::string_view::npos);
    EXPECT_NE(text.find("vollst\xE4ndig gel\xF6scht\r\n"), std::string_view::npos);
    EXPECT_EQ(std::count_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }), 7);
}

}  // namespace
}  // namespace brisel
