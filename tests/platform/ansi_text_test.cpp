// The ANSI code page: every byte round-trips, and what it cannot hold is refused.
#include "platform/ansi_text.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace brisel {
namespace {

#ifdef _WIN32
TEST(AnsiText, UsesTheSystemCodePage) {
    // The tables below are those of Windows-1252, the code page of German Windows.
    ASSERT_EQ(GetACP(), 1252u);
}
#endif

TEST(AnsiText, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const std::u16string text = fromAnsi(all);
    ASSERT_EQ(text.size(), 256u);
    EXPECT_EQ(toAnsi(text), all);
}

TEST(AnsiText, KnowsWindows1252) {
    struct Pair {
        char16_t character;
        unsigned char byte;
    };
    for (const Pair p : {Pair{u'ä', 0xE4}, Pair{u'ö', 0xF6}, Pair{u'ü', 0xFC}, Pair{u'ß', 0xDF}, Pair{u'€', 0x80},
                         Pair{u'„', 0x84}, Pair{u'“', 0x93}, Pair{u'Ÿ', 0x9F}, Pair{u'*', 0x2A}}) {
        EXPECT_EQ(toAnsi(std::u16string(1, p.character)), std::string(1, static_cast<char>(p.byte)));
        EXPECT_EQ(fromAnsi(std::string(1, static_cast<char>(p.byte))), std::u16string(1, p.character));
    }
}

TEST(AnsiText, RefusesWhatTheCodePageCannotHold) {
    for (const std::u16string text : {u"Ω", u"Stahl→", u"a\u0100", u"\U0001F600", u"\xD800"})
        EXPECT_EQ(toAnsi(text), std::nullopt);
    EXPECT_EQ(toAnsi(u""), std::string());
}

}  // namespace
}  // namespace brisel
