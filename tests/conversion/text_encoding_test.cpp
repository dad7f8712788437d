// Which encoding a file is read in, and UTF-8 tables in the ANSI code page.
#include "base/utf.h"
#include "conversion/text_encoding.h"

#include "platform/ansi_text.h"

#include <gtest/gtest.h>

#include <string>

namespace brisel {
namespace {

TEST(DetectEncoding, ReadsUtf8OnlyWhenItIsMarkedOrValidWithAMultiByteCharacter) {
    struct Case {
        const char* name;
        std::string bytes;
        TextEncoding encoding;
        std::string text;  // after a byte-order mark
    };
    for (const Case& c : {
             Case{"Utf8Mark", "\xEF\xBB\xBFName;x", TextEncoding::utf8, "Name;x"},
             Case{"Utf8MarkOnAsciiText", "\xEF\xBB\xBF", TextEncoding::utf8, ""},
             Case{"ValidUtf8", "M\xC3\xA4rz;\xE2\x82\xAC", TextEncoding::utf8, "M\xC3\xA4rz;\xE2\x82\xAC"},
             Case{"AsciiOnly", "Name;Gewicht\r\nStahl;7,85", TextEncoding::ansi, "Name;Gewicht\r\nStahl;7,85"},
             Case{"Empty", "", TextEncoding::ansi, ""},
             Case{"LoneWindows1252Umlaut", "M\xE4rz", TextEncoding::ansi, "M\xE4rz"},
             Case{"Utf8ThenAnsi", "M\xC3\xA4rz M\xE4rz", TextEncoding::ansi, "M\xC3\xA4rz M\xE4rz"},
             Case{"SequenceCutOffAtTheEnd", "Stahl \xC3", TextEncoding::ansi, "Stahl \xC3"},
             Case{"OverlongForm", "\xC0\xAF", TextEncoding::ansi, "\xC0\xAF"},
             Case{"Surrogate", "\xED\xA0\x80", TextEncoding::ansi, "\xED\xA0\x80"},
             Case{"Utf16LittleEndian", std::string("\xFF\xFEN\0", 4), TextEncoding::utf16, std::string("N\0", 2)},
             Case{"Utf16BigEndian", std::string("\xFE\xFF\0N", 4), TextEncoding::utf16, std::string("\0N", 2)},
         }) {
        const DetectedText detected = detectEncoding(c.bytes);
        EXPECT_EQ(detected.encoding, c.encoding) << c.name;
        EXPECT_EQ(detected.text, c.text) << c.name;
    }
    // A long ASCII run before the first multi-byte character.
    EXPECT_EQ(detectEncoding(std::string(1000, 'a') + "\xC3\xBC").encoding, TextEncoding::utf8);
    EXPECT_EQ(detectEncoding(std::string(1000, 'a') + "\xFC").encoding, TextEncoding::ansi);
}

TEST(Utf16FromUtf8, DecodesEveryPlane) {
    EXPECT_EQ(utf16FromUtf8("M\xC3\xA4rz \xE2\x82\xAC \xF0\x9F\x98\x80"), u"März € \U0001F600");
    EXPECT_EQ(utf16FromUtf8("a\xFF" "b"), u"a\uFFFD" "b");
}

TEST(Utf8FromUtf16, EncodesEveryPlaneButNoHalfPair) {
    EXPECT_EQ(utf8FromUtf16(u"März € \U0001F600"), "M\xC3\xA4rz \xE2\x82\xAC \xF0\x9F\x98\x80");
    EXPECT_EQ(utf8FromUtf16(u"a\xD83D"), std::nullopt);
    EXPECT_EQ(utf8FromUtf16(std::u16string(1, u'\xDE00')), std::nullopt);
}

// A name that is bytes: its text, the same bytes back, and the text as messages show it.
TEST(NamesAsBytes, KeepEveryByteAndShowItReadably) {
    struct Case {
        const char* name;
        std::string bytes;
        std::u16string text;
        std::u16string readable;
    };
    for (const Case& c : {
             Case{"Utf8", "M\xC3\xA4rz \xF0\x9F\x98\x80", u"März \U0001F600", u"März \U0001F600"},
             Case{"Windows1252Umlaut", "material\xE4.ini", u"material\xDCE4.ini", u"material\\xE4.ini"},
             Case{"SequenceCutOff", "a\xC3", u"a\xDCC3", u"a\\xC3"},
             Case{"LeadByteBeforeAnotherLead", "\xE4\xC3\xA4\xFF", u"\xDCE4ä\xDCFF", u"\\xE4ä\\xFF"},
             Case{"EncodedSurrogate", "\xED\xA0\x80", u"\xDCED\xDCA0\xDC80", u"\\xED\\xA0\\x80"},
             Case{"OverlongSlash", "\xC0\xAF", u"\xDCC0\xDCAF", u"\\xC0\\xAF"},
         }) {
        EXPECT_EQ(utf16FromBytes(c.bytes), c.text) << c.name;
        EXPECT_EQ(bytesFromUtf16(c.text), c.bytes) << c.name;
        EXPECT_EQ(readableText(c.text), c.readable) << c.name;
    }
    // Texts that no bytes give: they name no file.
    for (const std::u16string& text : {std::u16string(u"a\xD800"), std::u16string(u"\xDC7F"),
                                       std::u16string(u"\xDCC3\xDCA4"), std::u16string(u"\xDCE4\xDCB8\xDC80")})
        EXPECT_EQ(bytesFromUtf16(text), std::nullopt) << testing::PrintToString(text);
    EXPECT_EQ(readableText(std::u16string(u"a\0\xD800-\xDFFF\xD800\xDFFF", 7)), u"a\\x00\\uD800-\\uDFFF\U000103FF");
}

TEST(Utf8FromAnsi, WritesEachByteAsItsCharacter) {
    const std::string ansi = "K\xF6pfe;\x80\x81\xFF" + std::string(40, 'x') + "\xE4";
    EXPECT_EQ(utf8FromAnsi(ansi, ansiCharacters()).view(),
              "K\xC3\xB6pfe;\xE2\x82\xAC\xC2\x81\xC3\xBF" + std::string(40, 'x') + "\xC3\xA4");
}

TEST(InvalidUtf8InRecords, NamesOnlyWhatARecordWouldHold) {
    EXPECT_EQ(invalidUtf8InRecords("K\xFF\r\nS;1;2;3;4;5;\xFF\r\n\r\n\xFF"), std::nullopt);
    const auto place = invalidUtf8InRecords("K\r\nS;1;2;3;4;5\r\nS;1\xE4;2;3;4;5\r\n");
    ASSERT_TRUE(place);
    EXPECT_EQ(place->line, 3u);
    EXPECT_EQ(place->field, 2u);
}

class AnsiFromUtf8 : public testing::Test {
protected:
    AnsiTable convert(std::string_view utf8) { return ansiFromUtf8Table(utf8, codePage); }
    const AnsiCodePage codePage{ansiCharacters()};
};

TEST_F(AnsiFromUtf8, WritesEachCharacterAsItsByte) {
    const AnsiTable table = convert("K\xC3\xB6pfe\r\nM\xC3\xA4rz;\xE2\x82\xAC;\xC3\x9F\n" + std::string(40, 'x') + "\xC3\xBC");
    ASSERT_EQ(table.status, AnsiTable::Status::ok);
    EXPECT_EQ(table.bytes.view(), "K\xF6pfe\r\nM\xE4rz;\x80;\xDF\n" + std::string(40, 'x') + "\xFC");
}

TEST_F(AnsiFromUtf8, RefusesWhatARecordCannotHoldAndNamesWhere) {
    struct Case {
        const char* name;
        std::string table;
        std::size_t line, field;  // 0: converted
    };
    const std::string arrow = "\xE2\x86\x92";
    for (const Case& c : {
             Case{"InAField", "K\r\na;b\r\nStahl" + arrow + ";1;2;3;4;5\r\n", 3, 1},
             Case{"InTheSixthField", "K\nS;1;2;3;4;5" + arrow + "\n", 2, 6},
             Case{"AfterCrOnlyLines", "K\rS;1\rS;1;2" + arrow + "\r", 3, 3},
             Case{"AstralCharacter", "K\r\nS\xF0\x9F\x98\x80;1;2;3;4;5", 2, 1},
             Case{"InvalidSequence", "\xEF\xBB\xBFK\r\nS\xE4;1;2;3;4;5", 2, 1},
             Case{"InTheHeader", "K" + arrow + "\r\nS;1;2;3;4;5\r\n", 0, 0},
             Case{"InAFieldAfterTheSixth", "K\r\nS;1;2;3;4;5;" + arrow + "\r\n", 0, 0},
             Case{"AfterTheTableEnds", "K\r\nS;1;2;3;4;5\r\n\r\n" + arrow + "\r\n", 0, 0},
         }) {
        const AnsiTable table = convert(c.table);
        EXPECT_EQ(table.status, c.line == 0 ? AnsiTable::Status::ok : AnsiTable::Status::unrepresentable) << c.name;
        EXPECT_EQ(table.line, c.line) << c.name;
        EXPECT_EQ(table.field, c.field) << c.name;
    }
}

}  // namespace
}  // namespace brisel
