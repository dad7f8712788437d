// The console program's command line: every valid form, every wrong one.
#include "app/console/arguments.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

Invocation converting(std::optional<WriteMode> mode, std::u16string source, std::u16string destination) {
    Invocation i;
    i.mode = mode;
    i.source = std::move(source);
    i.destination = std::move(destination);
    return i;
}

TEST(ParseArguments, ReadsEveryValidForm) {
    struct Case {
        std::vector<std::u16string> arguments;
        Invocation expected;
    };
    Invocation withPrefix = converting(WriteMode::append, u"t.csv", u"m.ini");
    withPrefix.prefix = u"-x";
    withPrefix.quiet = true;
    Invocation fromFile;
    fromFile.configuration = u"b.conf";
    Invocation fromFileAndLine = converting(WriteMode::overwrite, u"-", u"-");
    fromFileAndLine.configuration = u"b.conf";
    fromFileAndLine.prefix = u"";
    Invocation withSheet = converting(WriteMode::overwrite, u"t.xlsx", u"m.ini");
    withSheet.sheet = u"Tabelle 1";
    Invocation check;
    check.request = Invocation::Request::check;
    check.source = u"t.csv";
    Invocation help;
    help.request = Invocation::Request::help;
    Invocation version;
    version.request = Invocation::Request::version;
    for (const Case& c : {
             Case{{u"--ersetzen", u"t.csv", u"m.ini"}, converting(WriteMode::overwrite, u"t.csv", u"m.ini")},
             Case{{u"t.csv", u"--ersetzen", u"m.ini", u"--ersetzen"}, converting(WriteMode::overwrite, u"t.csv", u"m.ini")},
             Case{{u"--erweitern", u"--prefix", u"-x", u"-q", u"t.csv", u"m.ini"}, withPrefix},
             Case{{u"--prefix=-x", u"--quiet", u"--erweitern", u"t.csv", u"m.ini"}, withPrefix},
             Case{{u"--leise", u"--prefix=-x", u"--erweitern", u"t.csv", u"m.ini"}, withPrefix},
             Case{{u"--ersetzen", u"--", u"-t.csv", u"--m.ini"}, converting(WriteMode::overwrite, u"-t.csv", u"--m.ini")},
             Case{{u"--konfiguration", u"b.conf"}, fromFile},
             Case{{u"--ersetzen", u"--blatt", u"Tabelle 1", u"t.xlsx", u"m.ini"}, withSheet},
             Case{{u"--blatt=Tabelle 1", u"--ersetzen", u"t.xlsx", u"m.ini"}, withSheet},
             Case{{u"--konfiguration=b.conf", u"--ersetzen", u"--prefix=", u"-", u"-"}, fromFileAndLine},
             Case{{u"--pruefen", u"t.csv"}, check},
             Case{{u"--ersetzen", u"--help", u"--unbekannt"}, help},
             Case{{u"--hilfe"}, help},
             Case{{u"--version"}, version},
         }) {
        const ParsedArguments parsed = parseArguments(c.arguments);
        EXPECT_EQ(parsed.usageError, u"") << testing::PrintToString(c.arguments);
        EXPECT_EQ(parsed.invocation, c.expected) << testing::PrintToString(c.arguments);
    }
}

TEST(ParseArguments, NamesWhatIsWrong) {
    struct Case {
        std::vector<std::u16string> arguments;
        std::u16string error;
    };
    for (const Case& c : {
             Case{{}, u"QUELLE und ZIEL fehlen."},
             Case{{u"--ersetzen", u"t.csv"}, u"ZIEL fehlt."},
             Case{{u"--konfiguration", u"b.conf", u"t.csv"}, u"ZIEL fehlt."},
             Case{{u"--ersetzen", u"a", u"b", u"c"}, u"Zu viele Angaben: Erwartet werden QUELLE und ZIEL."},
             Case{{u"t.csv", u"m.ini"}, u"Bitte --ersetzen oder --erweitern angeben."},
             Case{{u"--ersetzen", u"--erweitern", u"t.csv", u"m.ini"}, u"--ersetzen und --erweitern schließen einander aus."},
             Case{{u"--ersetzten", u"t.csv", u"m.ini"}, u"Unbekannte Option „--ersetzten“."},
             Case{{u"-x", u"t.csv", u"m.ini"}, u"Unbekannte Option „-x“."},
             Case{{u"--ersetzen=ja", u"t.csv", u"m.ini"}, u"Die Option „--ersetzen“ erwartet keinen Wert."},
             Case{{u"--ersetzen", u"t.csv", u"m.ini", u"--prefix"}, u"Die Option „--prefix“ erwartet einen Wert."},
             Case{{u"--pruefen", u"t.csv", u"m.ini"}, u"Zu viele Angaben: Mit --pruefen wird nur QUELLE erwartet."},
             Case{{u"--pruefen"}, u"QUELLE fehlt."},
             Case{{u"--pruefen", u"--erweitern", u"t.csv"}, u"--pruefen schreibt nichts und nimmt weder --ersetzen noch --erweitern."},
         }) {
        const ParsedArguments parsed = parseArguments(c.arguments);
        EXPECT_EQ(parsed.invocation, std::nullopt) << testing::PrintToString(c.arguments);
        EXPECT_EQ(parsed.usageError, c.error) << testing::PrintToString(c.arguments);
    }
}

}  // namespace
}  // namespace brisel
