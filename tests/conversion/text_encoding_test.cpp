// Which encoding a file is read in, and UTF-8 tables in the ANSI code page.
#include "base/utf.h"
#include "conversion/material_conversion.h"
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
        // The same told a byte at a time, as a file is read in pieces.
        if (c.text == c.bytes) {
            EncodingDetector detector;
            for (const char byte : c.text)
                detector.feed(std::string_view(&byte, 1));
            EXPECT_EQ(detector.result(), c.encoding) << c.name;
        }
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
             // A control character would act on a terminal: an ESC starts a sequence.
             Case{"ControlCharacters", "a\x1B[2J\t\n\x7F", u"a\x1B[2J\t\n\x7F", u"a\\x1B[2J\\x09\\x0A\\x7F"},
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

TEST(FieldEncoding, WritesEachAnsiByteAsItsCharacterInUtf8) {
    const AnsiCodePage codePage(ansiCharacters());
    const std::string ansi = "K\xF6pfe;\x80\x81\xFF" + std::string(40, 'x') + "\xE4";
    std::string utf8;
    char32_t unfit = 0;
    ASSERT_TRUE(FieldEncoding(TextEncoding::ansi, TextEncoding::utf8, codePage).encode(ansi, utf8, unfit));
    EXPECT_EQ(utf8, "K\xC3\xB6pfe;\xE2\x82\xAC\xC2\x81\xC3\xBF" + std::string(40, 'x') + "\xC3\xA4");
}

// A UTF-8 table's fields in the records: each character as its byte of the code page, or,
// for a UTF-8 material.ini, as it is; and where that cannot be, the problem's place.
class Utf8Fields : public testing::Test {
protected:
    ConversionResult convert(std::string_view utf8, TextEncoding records = TextEncoding::ansi) {
        return convertTable(utf8, "", FieldEncoding(TextEncoding::utf8, records, codePage));
    }
    const AnsiCodePage codePage{ansiCharacters()};
};

TEST_F(Utf8Fields, WriteEachCharacterAsItsByte) {
    const ConversionResult result = convert("K\xC3\xB6pfe\r\nM\xC3\xA4rz;\xE2\x82\xAC;\xC3\x9F;a;b;c\n");
    EXPECT_TRUE(result.problems.empty());
    EXPECT_EQ(result.records, "MAT=\xDF,M\xE4rz\r\n-XHATCH=a, b, c\r\n-KG_P_L=\x80\r\n");
}

TEST_F(Utf8Fields, RefuseWhatARecordCannotHoldAndNameWhere) {
    struct Case {
        const char* name;
        std::string table;
        std::size_t line, field;  // 0: converted
        TextEncoding records = TextEncoding::ansi;
        char32_t character = U'\u2192';  // the one named
    };
    const std::string arrow = "\xE2\x86\x92";
    for (const Case& c : {
             Case{"InAField", "K\r\na;b;c;d;e;f\r\nStahl" + arrow + ";1;2;3;4;5\r\n", 3, 1},
             Case{"InTheSixthField", "K\nS;1;2;3;4;5" + arrow + "\n", 2, 6},
             Case{"AfterCrOnlyLines", "K\rS;1;2;3;4;5\rS;1;2" + arrow + ";3;4;5\r", 3, 3},
             Case{"AstralCharacter", "K\r\nS\xF0\x9F\x98\x80;1;2;3;4;5", 2, 1, TextEncoding::ansi, U'\U0001F600'},
             // Bytes that are no UTF-8 are no character, not even U+FFFD, which a table may hold.
             Case{"InvalidSequence", "\xEF\xBB\xBFK\r\nS\xE4;1;2;3;4;5", 2, 1, TextEncoding::ansi, noCharacter},
             Case{"InvalidSequenceInUtf8Records", "K\r\nS;1;2;3;4;5\r\nS;1\xE4;2;3;4;5\r\n", 3, 2, TextEncoding::utf8,
                  noCharacter},
             Case{"ReplacementCharacter", "K\r\nS\xEF\xBF\xBD;1;2;3;4;5", 2, 1, TextEncoding::ansi, U'\uFFFD'},
             Case{"ValidInUtf8Records", "K\r\nS" + arrow + ";1;2;3;4;5\r\n", 0, 0, TextEncoding::utf8},
             Case{"InTheHeader", "K" + arrow + "\r\nS;1;2;3;4;5\r\n", 0, 0},
             Case{"InAFieldAfterTheSixth", "K\r\nS;1;2;3;4;5;" + arrow + "\r\n", 0, 0},
             Case{"AfterTheTableEnds", "K\r\nS;1;2;3;4;5\r\n\r\n" + arrow + "\r\n", 0, 0},
         }) {
        const ConversionResult result = convert(c.table, c.records);
        ASSERT_EQ(result.problems.size(), c.line == 0 ? 0u : 1u) << c.name;
        if (c.line != 0) {
            EXPECT_EQ(result.problems[0].kind, TableProblem::Kind::unrepresentable) << c.name;
            EXPECT_EQ(result.problems[0].line, c.line) << c.name;
            EXPECT_EQ(result.problems[0].field, c.field) << c.name;
            EXPECT_EQ(result.problems[0].character, c.character) << c.name;
        }
    }
}

}  // namespace
}  // namespace brisel
