// The brisel.conf reader: which lines set what, and which set nothing.
#include "config/config_reader.h"

#include "config/default_config.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace brisel {
namespace {

using Text = std::optional<std::string_view>;

struct Case {
    const char* name;
    std::string file;
    Text source, destination, prefix;
    std::optional<ActionSetting> action;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class ReadsConfig : public testing::TestWithParam<Case> {};

TEST_P(ReadsConfig, SettingsInFileOrder) {
    const Case& c = GetParam();
    const ConfigSettings settings = readConfig(c.file);
    EXPECT_EQ(settings.source, c.source);
    EXPECT_EQ(settings.destination, c.destination);
    EXPECT_EQ(settings.prefix, c.prefix);
    EXPECT_EQ(settings.action, c.action);
}

constexpr auto none = std::nullopt;
constexpr auto replace = ActionSetting::replace;
constexpr auto extend = ActionSetting::extend;
constexpr auto neither = ActionSetting::neither;

INSTANTIATE_TEST_SUITE_P(
    Files, ReadsConfig,
    testing::Values(
        Case{"DefaultFile", std::string(defaultConfigText()), "konvertierungsblatt.csv", "material.ini", "*", replace},
        Case{"DefaultFileAsLinuxEditorsSaveIt", [] {
                 std::string text(defaultConfigText());
                 std::erase(text, '\r');
                 return text;
             }(),
             "konvertierungsblatt.csv", "material.ini", "*", replace},
        Case{"Empty", "", none, none, none, none},
        Case{"BlankAndCommentLinesOnly", "\r\n   \r\n# quelle=a\r\n   # ziel=b\r\n#\r", none, none, none, none},
        Case{"SpacesAroundEqualsSign", "quelle = a b.csv \r\nziel=c\r\n", "a b.csv", "c", none, none},
        Case{"LoneCarriageReturnsEndLines", "quelle=a\rziel=b\rprefix=c", "a", "b", "c", none},
        Case{"LoneLineFeedEndsALine", "prefix=a\nquelle=b\r\n", "b", none, "a", none},
        Case{"LineEndsMixed", "# x=y\n\rquelle=a\r\r\nziel=b\n\nprefix=c\r\n\raction=erweitern\n", "a", "b", "c",
             extend},
        Case{"UnknownKeyIgnored", "einstellung=wert\r\n=x\r\n", none, none, none, none},
        Case{"KeysAreCaseSensitive", "Quelle=a\r\nZIEL=b\r\n", none, none, none, none},
        Case{"TabBeforeKeyIsPartOfIt", "\tquelle=a\r\n", none, none, none, none},
        Case{"TabInValueStays", "prefix=\ta\t\r\n", none, none, "\ta\t", none},
        Case{"HashInsideValue", "prefix=#\r\nziel=a#b\r\n", none, "a#b", "#", none},
        Case{"ValueEndsAtSecondEquals", "quelle= a = b = c\r\n", "a", none, none, none},
        Case{"EmptyValueEmpties", "prefix=\r\n", none, none, "", none},
        Case{"QuotesStay", "quelle=\"C:\\x y.csv\"\r\n", "\"C:\\x y.csv\"", none, none, none},
        Case{"LastOfTwiceGivenKeyWins", "ziel=a\r\nziel=b\r\n", none, "b", none, none},
        Case{"OnlyPrefix", "prefix=*", none, none, "*", none},
        Case{"ActionExtend", "action=erweitern\r\n", none, none, none, extend},
        Case{"ActionCaseDiffers", "action=Ersetzen\r\n", none, none, none, neither},
        Case{"ActionEmpty", "action=\r\n", none, none, none, neither},
        Case{"InvalidActionAfterValid", "action=ersetzen\r\naction=beides\r\n", none, none, none, neither},
        Case{"ValidActionAfterInvalid", "action=x\r\naction = erweitern \r\n", none, none, none, extend},
        Case{"LineWithoutEqualsSkipped", "quelle\r\nprefix=p\r\nziel\r\n", none, none, "p", none},
        Case{"NonAsciiBytesKept", "quelle=M\xE4rz.csv\r\n", "M\xE4rz.csv", none, none, none}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace brisel
