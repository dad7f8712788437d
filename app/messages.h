// The texts of the conversion's checks and failures, for every front end: the window shows
// them in its boxes, the console program on standard error.
#pragma once

#include "app/file_conversion.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

struct Message {
    std::u16string text;
    std::u16string title;

    bool operator==(const Message&) const = default;
};

// How a table given as "-" is taken: by the window as a file of that name, by the console
// program as standard input; and so records written to "-", as standard output.
enum class SourceLookup {
    file,                   // an ordinary file under the path
    fileOrStandardInput,    // the same, but "-" is standard input or output (the console program)
};

// The first input that keeps a conversion from running, in the window's order: a source
// given, the existence test, a destination given and one that can name a file (see
// namesAFile), a write mode chosen.
[[nodiscard]] std::optional<Message> missingInput(std::u16string_view source, std::u16string_view destination,
                                                  bool modeChosen);

// The console program's inputs: its operands QUELLE and ZIEL ("-" for standard input and
// output), or the keys of the configuration file where the paths came from there.
struct CommandLineInputs {
    std::u16string_view source;
    std::u16string_view destination;
    bool modeChosen = false;
    std::u16string_view configuration;  // --konfiguration, empty without
    bool pathsFromConfiguration = false;
    bool checkOnly = false;  // --pruefen: QUELLE alone
};

// The window's checks in the same order, each failure in the console program's words: the
// operand or the configuration key to give, the missing table named by its path.
[[nodiscard]] std::optional<std::u16string> missingArgument(const CommandLineInputs& inputs);

// How messages name the table, and where its records go.
struct TableNaming {
    std::u16string_view source;  // the path as given
    SourceLookup lookup = SourceLookup::file;
    std::u16string_view destination;  // the path as given; empty where the table is only checked
    // Where the prefix was given, as the user knows it (the console program's option or
    // configuration line); empty: the window's field.
    std::u16string_view prefixGiven{};
};

// A problem of a row as one text: what is wrong, then what to do about it.
struct ProblemText {
    std::u16string what;
    std::u16string advice;
};
[[nodiscard]] ProblemText problemText(const TableProblem& problem, const TableNaming& naming);

// What is to be done about a problem: one piece of advice serves every problem of its kind.
enum class Advice { replacePrefixCharacter, fillFields, fillCells, replaceCharacter, saveAgain, correctErrorValue,
                    removeLineBreak, calculateFormulas };
inline constexpr std::size_t adviceKinds = 8;
[[nodiscard]] Advice adviceFor(const TableProblem& problem);

// The first problems of a table, for the window's one box, how many there were, and how
// many of each kind, so that the box tells what to do about those it does not list too.
class ProblemList final : public ProblemSink {
public:
    static constexpr std::size_t shown = 10;
    void problem(const TableProblem& found) override {
        if (first.size() < shown)
            first.push_back(found);
        ++count;
        ++ofKind[static_cast<std::size_t>(adviceFor(found))];
    }
    std::vector<TableProblem> first;
    std::size_t count = 0;
    std::array<std::size_t, adviceKinds> ofKind{};  // by Advice
};

// What a conversion's outcome tells the user: "OK", or the failure named for the files;
// the problems of a table from `problems`, the first ones with the count of the rest.
// With `lookup` fileOrStandardInput, a source "-" is named as standard input and a
// destination "-" as standard output; an empty destination is none (a table only checked).
[[nodiscard]] std::u16string statusText(const FileConversion& done, const ProblemList& problems,
                                        std::u16string_view source, std::u16string_view destination,
                                        SourceLookup lookup = SourceLookup::file);

// What the user is told of an earlier conversion into `destination` that ended early (see
// leftovers.h): that its old content is back, or where an old content is kept. Nothing
// where there is nothing to tell.
[[nodiscard]] std::optional<std::u16string> leftoversNote(const Leftovers& cleared, std::u16string_view destination);

// What a message says of a path under which stands something other than an ordinary file
// or a folder, after the path's name.
inline constexpr std::u16string_view noOrdinaryFile = u" ist keine normale Datei (z.\u00A0B. ein Gerät oder eine Pipe).";

// What a message says of a file whose path holds a folder that may not be entered, after
// the file's name and " kann nicht gelesen werden" or " kann nicht geschrieben werden".
inline constexpr std::u16string_view folderClosed =
    u", denn ein Ordner in ihrem Pfad darf nicht geöffnet werden. Das Recht dazu kann der Eigentümer des Ordners oder "
    u"ein Administrator geben.";

// What to check where no file can be made or written in the folder for temporary files,
// which it names: " Bitte prüfen, ob …".
[[nodiscard]] std::u16string checkTemporaryFolder();

// A text in German quotation marks, as messages quote names; what no display shows (a
// byte of a name that is no UTF-8, a NUL) as readableText writes it.
[[nodiscard]] std::u16string inQuotes(std::u16string_view text);

// The path as messages show it: in quotation marks, with the system's separators.
[[nodiscard]] std::u16string quotedPath(std::u16string_view path);

// A count in digits, whatever the locale.
[[nodiscard]] std::u16string number(std::size_t n);

}  // namespace brisel
