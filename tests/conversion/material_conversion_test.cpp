// The table reader and record writer, byte for byte.
#include "conversion/material_conversion.h"

#include "reference_conversion.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace brisel {
namespace {

using namespace std::string_literals;

struct Case {
    const char* name;
    std::string table;
    std::string prefix;
    std::string records;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class ConvertsTable : public testing::TestWithParam<Case> {};

// Whole, and cut into pieces as a file is read, down to a byte at a time.
TEST_P(ConvertsTable, ToRecords) {
    const Case& c = GetParam();
    for (const std::size_t piece : {std::string_view::npos, std::size_t{1}, std::size_t{7}}) {
        const ConversionResult result = convertTable(c.table, c.prefix, {}, piece);
        EXPECT_TRUE(result.problems.empty()) << piece;
        EXPECT_EQ(result.records, c.records) << piece;
    }
}

const std::string header = "Name;Gewicht;Nr;Schraffur;Winkel;Abstand\r\n";
const std::string steelAndAluminium =
    "MAT=1,*Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"
    "MAT=2,*Aluminium\r\n-XHATCH=32, 0, 1\r\n-KG_P_L=2.7\r\n";

INSTANTIATE_TEST_SUITE_P(
    Tables, ConvertsTable,
    testing::Values(
        Case{"WorkedExample", header + "Stahl;7,85;1;31;45;2,5\r\nAluminium;2,7;2;32;0;1\r\n", "*", steelAndAluminium},
        Case{"LastRowWithoutLineEnd", header + "Stahl;7,85;1;31;45;2,5\r\nAluminium;2,7;2;32;0;1", "*",
             steelAndAluminium},
        Case{"EmptyLineEndsTable", header + "Stahl;7,85;1;31;45;2,5\r\n\r\nAluminium;2,7;2;32;0;1\r\n", "",
             "MAT=1,Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"},
        Case{"EmptyLinesAtEndChangeNothing", header + "Stahl;7,85;1;31;45;2,5\r\nAluminium;2,7;2;32;0;1\r\n\r\n\r\n",
             "*", steelAndAluminium},
        Case{"LoneLineFeeds", "Kopf\nStahl;7,85;1;31;45;2,5\nAluminium;2,7;2;32;0;1\n", "*", steelAndAluminium},
        Case{"LoneCarriageReturns", "Kopf\rStahl;7,85;1;31;45;2,5\rAluminium;2,7;2;32;0;1\r", "*",
             steelAndAluminium},
        Case{"LoneLineFeedBlankLineEndsTable", "Kopf\nStahl;7,85;1;31;45;2,5\n\nx;;;;\n", "",
             "MAT=1,Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"},
        Case{"EmptyInput", "", "*", ""},
        Case{"HeaderOnly", "Kopf\r\n", "*", ""},
        Case{"HeaderWithoutLineEnd", "Kopf", "*", ""},
        Case{"HeaderThenEmptyLine", "Kopf\r\n\r\nStahl;7,85;1;31;45;2,5\r\n", "*", ""},
        Case{"EmptyFirstLineEndsTableBeforeRows", "\r\nStahl;7,85;1;31;45;2,5\r\n", "*", ""},
        Case{"HeaderNeverInterpreted", "a;b\r\nStahl;7,85;1;31;45;2,5\r\n", "", 
             "MAT=1,Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"},
        Case{"OnlyFirstCommaOfDensity", "K\r\nX;1,234,5;1;2;3;4\r\n", "", "MAT=1,X\r\n-XHATCH=2, 3, 4\r\n-KG_P_L=1.234,5\r\n"},
        Case{"CommasElsewhereStay", "K\r\nA,b;7;1,5;2,5;3,5;4,5\r\n", "",
             "MAT=1,5,A,b\r\n-XHATCH=2,5, 3,5, 4,5\r\n-KG_P_L=7\r\n"},
        Case{"BlanksKept", "K\r\n Stahl ; 7,85;1 ; 31;45 ;2,5 \r\n", "",
             "MAT=1 , Stahl \r\n-XHATCH= 31, 45 , 2,5 \r\n-KG_P_L= 7.85\r\n"},
        Case{"LineOfBlanksIsARow", "K\r\n ; ; ; ; ; \r\n", "", "MAT= , \r\n-XHATCH= ,  ,  \r\n-KG_P_L= \r\n"},
        Case{"FieldsBeyondSixthIgnored", "K\r\nStahl;7,85;1;31;45;2,5;x;y;;z\r\n", "",
             "MAT=1,Stahl\r\n-XHATCH=31, 45, 2,5\r\n-KG_P_L=7.85\r\n"},
        Case{"EmptyFieldsAndTrailingSeparator", "K\r\n;;;;;\r\n", "p", "MAT=,p\r\n-XHATCH=, , \r\n-KG_P_L=\r\n"},
        Case{"QuotesAreNoEscape", "K\r\n\"a;b\";1;2;3;4;5\r\n", "",
             "MAT=1,\"a\r\n-XHATCH=2, 3, 4\r\n-KG_P_L=b\"\r\n"},
        Case{"FieldsLongerThanABlock", "K\r\n" + std::string(40, 'n') + ";1,5;" + std::string(17, '2') + ";3;4;" +
             std::string(33, '5') + "\r\n", std::string(20, 'p'),
             "MAT=" + std::string(17, '2') + "," + std::string(20, 'p') + std::string(40, 'n') + "\r\n-XHATCH=3, 4, " +
             std::string(33, '5') + "\r\n-KG_P_L=1.5\r\n"},
        Case{"FieldsOfExactlyABlock", "K\r\n" + std::string(16, 'n') + ";" + std::string(15, '1') + ",;2;3;4;5", "",
             "MAT=2," + std::string(16, 'n') + "\r\n-XHATCH=3, 4, 5\r\n-KG_P_L=" + std::string(15, '1') + ".\r\n"},
        Case{"ShortFieldsAtTheVeryEnd", "K\na;b;c;d;e;f", "", "MAT=c,a\r\n-XHATCH=d, e, f\r\n-KG_P_L=b\r\n"},
        Case{"SeparatorsInHeader", "a;b;c\r\nx;1;2;3;4;5", "", "MAT=2,x\r\n-XHATCH=3, 4, 5\r\n-KG_P_L=1\r\n"},
        Case{"NonAsciiAndNulBytesKept", "K\r\nM\xE4\xDF\x80;7,5;\0;\xFF;\x81;\x9D\r\n"s, "\xFC",
             "MAT=\0,\xFCM\xE4\xDF\x80\r\n-XHATCH=\xFF, \x81, \x9D\r\n-KG_P_L=7.5\r\n"s}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

struct RejectedCase {
    const char* name;
    std::string table;
    std::vector<std::pair<std::size_t, std::size_t>> shortRows;  // each: its line, its fields
};

void PrintTo(const RejectedCase& c, std::ostream* os) {
    *os << c.name;
}

class RejectsTable : public testing::TestWithParam<RejectedCase> {};

TEST_P(RejectsTable, NamingEveryShortLineAndItsFields) {
    const RejectedCase& c = GetParam();
    std::vector<TableProblem> expected;
    for (const auto& [line, fields] : c.shortRows)
        expected.push_back({TableProblem::Kind::tooFewFields, line, 0, fields});
    const ConversionResult result = convertTable(c.table, "*");
    EXPECT_EQ(result.problems, expected);
    EXPECT_TRUE(result.records.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Tables, RejectsTable,
    testing::Values(RejectedCase{"FirstRowShort", "K\r\nStahl;7,85;1;31;45\r\n", {{2, 5}}},
                    RejectedCase{"LaterRowShort", "K\r\nA;1;2;3;4;5\r\nB;1;2;3;4;5\r\nC;1;2\r\n", {{4, 3}}},
                    RejectedCase{"SingleField", "K\r\nA;1;2;3;4;5\nnur Text\n", {{3, 1}}},
                    RejectedCase{"LineOfBlanks", "K\r\n   \r\n", {{2, 1}}},
                    RejectedCase{"CountsLoneCarriageReturnLines", "K\rA;1;2;3;4;5\rB;1\r", {{3, 2}}},
                    RejectedCase{"ShortLastRowWithoutLineEnd", "K\r\nA;1;2;3;4;5\r\nB;;;;", {{3, 5}}},
                    RejectedCase{"EveryShortRowUpToTheTablesEnd", "K\nA;1\nB;1;2;3;4;5\nC\n\nD\n", {{2, 2}, {4, 1}}}),
    [](const testing::TestParamInfo<RejectedCase>& info) { return std::string(info.param.name); });

// Random tables against the plain reference: short tables dense with separators and line
// ends, and long ones whose rows run from a few bytes to beyond a hundred.
struct RandomTables {
    const char* name;
    std::string alphabet;
    std::size_t longest;
    int rounds;
};

void PrintTo(const RandomTables& t, std::ostream* os) {
    *os << t.name;
}

class AgreesWithThePlainReading : public testing::TestWithParam<RandomTables> {};

TEST_P(AgreesWithThePlainReading, OnRandomTables) {
    const RandomTables& tables = GetParam();
    std::mt19937 random(20261207);
    for (int round = 0; round < tables.rounds; ++round) {
        std::string table(random() % tables.longest, ' ');
        for (char& c : table)
            c = tables.alphabet[random() % tables.alphabet.size()];
        const std::string prefix(random() % 20, 'p');
        // Every other table in pieces of a random size, as a file is read.
        const std::size_t piece = round % 2 == 0 ? std::string_view::npos : 1 + random() % 100;
        const ConversionResult fast = convertTable(table, prefix, {}, piece);
        const reference::Result plain = reference::convert(table, prefix);
        ASSERT_EQ(fast.problems.empty(), plain.records.has_value()) << testing::PrintToString(table);
        if (plain.records) {
            ASSERT_EQ(fast.records, *plain.records) << testing::PrintToString(table);
        } else {
            ASSERT_EQ(fast.problems.front().line, plain.line) << testing::PrintToString(table);
            ASSERT_EQ(fast.problems.front().fieldCount, plain.fieldCount) << testing::PrintToString(table);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tables, AgreesWithThePlainReading,
    testing::Values(RandomTables{"Dense", std::string(";;;;\r\n,,ab \xE4\0", 14), 120, 20000},
                    RandomTables{"LongRows", std::string(";;;;;;;\r\n,abcdefghijklmnopqrstuvwxyz0123456789 \0", 48), 3000, 2000},
                    RandomTables{"RareLineEnds", std::string(";;;;;;;;;;;;;;\r\n,abcdefghijklmnopqrstuvwxyz0123456789", 50), 3000, 2000}),
    [](const testing::TestParamInfo<RandomTables>& info) { return std::string(info.param.name); });

TEST(ConvertTable, CountsTheRowsItConverted) {
    EXPECT_EQ(convertTable(header + "a;1;2;3;4;5\r\nb;1;2;3;4;5\r\nc;1;2;3;4;5", "").rows, 3u);
}

}  // namespace
}  // namespace brisel
