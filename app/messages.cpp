// The conversion's German texts.
#include "app/messages.h"

#include "base/utf.h"
#include "conversion/material_conversion.h"
#include "platform/file_system.h"
#include "workbook/workbook.h"

#include <algorithm>
#include <string>
#include <vector>

namespace brisel {
namespace {

// "z. B." that no line break tears apart.
constexpr std::u16string_view forExample = u"z.\u00A0B.";

// What to do about a file that another program holds.
std::u16string closeTheHolder() {
    return u" Bitte das Programm schließen, das die Datei geöffnet hat, und erneut konvertieren.";
}

// What to do about a destination that another program holds: on Windows the CAD system
// holds its material.ini while it runs; on Linux a destination is held by another
// conversion, which ends by itself.
#ifdef _WIN32
constexpr std::u16string_view holderExample = u"das CAD-System oder eine andere Konvertierung mit brisel";
#else
constexpr std::u16string_view holderExample = u"eine andere Konvertierung mit brisel";
#endif

// What to do about a file that may not be written at all, in the words of the system's own
// tools.
#ifdef _WIN32
constexpr std::u16string_view makeWritable =
    u" Bitte im Explorer unter Eigenschaften der Datei das Häkchen bei „Schreibgeschützt“ entfernen und erneut "
    u"konvertieren.";
#else
// Worded for a user who does not own the file too.
constexpr std::u16string_view makeWritable =
    u" Das Schreibrecht kann ihr Eigentümer oder ein Administrator geben, in den Eigenschaften der Datei im "
    u"Dateimanager oder mit „chmod“; danach bitte erneut konvertieren.";
#endif

// Why a file may be changed only where it stands, after "kann hier nur direkt überschrieben werden".
constexpr std::u16string_view whyDirectly =
    u" (sie hat z.\u00A0B. einen zweiten Namen oder Rechte, die eine neue Datei nicht übernehmen kann, oder in ihrem "
    u"Ordner darf keine neue Datei angelegt werden)";

// Where the system's folder for temporary files is set.
#ifdef _WIN32
constexpr std::u16string_view temporaryVariable = u"TEMP";
#else
constexpr std::u16string_view temporaryVariable = u"TMPDIR";
#endif

}  // namespace

std::u16string checkTemporaryFolder() {
    const std::u16string folder = temporaryFolder();
    return u" Bitte prüfen, ob der Ordner für temporäre Dateien" + (folder.empty() ? u"" : u" " + quotedPath(folder)) +
           u" existiert, beschrieben werden darf und genug freien Speicherplatz hat; er wird mit der "
           u"Umgebungsvariablen " + std::u16string(temporaryVariable) + u" festgelegt.";
}

namespace {

std::u16string writeFailure(WriteError error, std::u16string_view destination) {
    const std::u16string file = u"Die Zieldatei " + quotedPath(destination);
    switch (error) {
    case WriteError::folderMissing:
        return u"Der Ordner der Zieldatei " + quotedPath(destination) +
               u" existiert nicht. Bitte den Pfad prüfen oder den Ordner anlegen.";
    case WriteError::isFolder:
        return file + u" ist ein Ordner. Bitte den Pfad einer Datei angeben, " + std::u16string(forExample) +
               u" mit „material.ini“ am Ende.";
    case WriteError::notAFile:
        return file + std::u16string(noOrdinaryFile) + u" Bitte eine normale Datei als Zieldatei angeben.";
    case WriteError::inUse:
        return file + u" wird gerade von einem anderen Programm benutzt. Bitte warten, bis das Programm, das die Datei "
                      u"geöffnet hat (" + std::u16string(forExample) + u" " + std::u16string(holderExample) +
               u"), fertig ist, oder es schließen, und erneut konvertieren.";
    case WriteError::readOnly:
        return file + u" ist schreibgeschützt." + std::u16string(makeWritable);
    case WriteError::noAccess:
        return file + u" kann nicht geschrieben werden" + std::u16string(folderClosed);
    case WriteError::denied:
        return file + u" darf mit diesem Benutzerkonto nicht geschrieben werden. Das Schreibrecht kann ihr Eigentümer "
                      u"oder ein Administrator geben; danach bitte erneut konvertieren.";
    case WriteError::folderDenied:
        return u"Im Ordner der Zieldatei " + quotedPath(destination) +
               u" darf mit diesem Benutzerkonto keine Datei angelegt werden. Das Recht dazu kann der Eigentümer des "
               u"Ordners oder ein Administrator geben; danach bitte erneut konvertieren.";
    case WriteError::unreadable:
        return file + u" darf mit diesem Benutzerkonto geschrieben, aber nicht gelesen werden, und kann hier nur direkt "
                      u"überschrieben werden" + std::u16string(whyDirectly) +
               u". Dafür muss brisel ihren bisherigen Inhalt lesen, um ihn bei einem Fehler zurückzuschreiben. Die "
               u"Zieldatei ist unverändert. Das Leserecht kann ihr Eigentümer oder ein Administrator geben; danach "
               u"bitte erneut konvertieren.";
    case WriteError::noTemporaryFile: {
        const std::u16string folder = temporaryFolder();
        return file + u" kann hier nur direkt überschrieben werden" + std::u16string(whyDirectly) +
               u". Dafür wird eine Datei im Ordner für temporäre Dateien" +
               (folder.empty() ? u"" : u" " + quotedPath(folder)) +
               u" gebraucht, die dort nicht angelegt oder geschrieben werden kann. Die Zieldatei ist unverändert." +
               checkTemporaryFolder() + u" Danach bitte erneut konvertieren.";
    }
    case WriteError::leftChanged:
        return file + u" konnte nicht vollständig geschrieben werden, und ihr bisheriger Inhalt ließ sich nicht "
                      u"wiederherstellen; die Datei ist jetzt beschädigt. Bitte sie in einem Editor prüfen und "
                      u"gegebenenfalls aus einer Sicherung wiederherstellen; danach Schreibrechte und freien "
                      u"Speicherplatz prüfen und erneut konvertieren.";
    case WriteError::none:
    case WriteError::cannotWrite:
        break;
    }
    return file + u" kann nicht geschrieben werden. Bitte Schreibrechte und freien Speicherplatz prüfen.";
}

bool isStandardInput(std::u16string_view source, SourceLookup lookup) {
    return lookup == SourceLookup::fileOrStandardInput && source == u"-";
}

// A sheet that the workbook does not have, named on the console, and the sheets it has.
std::u16string unknownSheet(const FileConversion& done, std::u16string_view workbook) {
    std::u16string text = std::u16string(workbook) + u" hat kein Tabellenblatt " + inQuotes(done.sheet) + u".";
    const auto name = [](const Worksheet& sheet) {
        return inQuotes(utf16FromUtf8(sheet.name)) + (sheet.hidden ? u" (ausgeblendet)" : u"");
    };
    const std::u16string_view sameCase = u", in derselben Groß- und Kleinschreibung.";
    if (done.worksheets.empty())
        return text + u" Sie enthält keine Tabellenblätter. Bitte --blatt weglassen.";
    if (done.worksheets.size() == 1)
        return text + u" Ihr einziges Tabellenblatt ist " + name(done.worksheets.front()) +
               u". Bitte --blatt weglassen oder diesen Namen angeben" + std::u16string(sameCase);
    text += u" Ihre Tabellenblätter: ";
    for (std::size_t at = 0; at < done.worksheets.size(); ++at)
        text += (at == 0 ? u"" : u", ") + name(done.worksheets[at]);
    return text + u". Bitte bei --blatt einen dieser Namen angeben" + std::u16string(sameCase);
}

// Where in the table a place is: " der Quelldatei", or standard input.
std::u16string_view ofTable(const TableNaming& naming) {
    return isStandardInput(naming.source, naming.lookup) ? u" der Tabelle auf der Standardeingabe" : u" der Quelldatei";
}

// A row as messages name it: "Zeile 5", in a workbook of several worksheets with its sheet,
// "Tabellenblatt „Materialien“, Zeile 5".
std::u16string rowOf(const TableProblem& problem) {
    const std::u16string sheet = problem.sheet.empty() ? u"" : u"Tabellenblatt " + inQuotes(utf16FromUtf8(problem.sheet)) + u", ";
    return sheet + u"Zeile " + number(problem.line);
}

// A column's letters, "B".
std::u16string column(std::size_t field) {
    const std::string letters = columnLetters(field);
    return {letters.begin(), letters.end()};
}

// A place as messages name it: "Zeile 5, Feld 2 der Quelldatei", or a workbook's cell,
// "Zeile 5, Spalte B der Quelldatei", with its sheet as rowOf has it; `table` is where the
// table is named (" der Quelldatei"), or nothing under a line that names it.
std::u16string placeOf(const TableProblem& problem, std::u16string_view table) {
    const std::u16string field = problem.cell ? u", Spalte " + column(problem.field) : u", Feld " + number(problem.field);
    return rowOf(problem) + field + std::u16string(table);
}

// A problem's text; `table` as placeOf has it.
ProblemText describe(const TableProblem& problem, const TableNaming& naming, std::u16string_view table);

// What to do about one problem of a kind, or about several.
std::u16string_view adviceText(Advice advice, bool several) {
    switch (advice) {
    case Advice::replacePrefixCharacter:
        return u"Bitte das Zeichen im Präfix ersetzen.";
    case Advice::fillFields:
        return u"Bitte die fehlenden Felder in der Tabelle ergänzen.";
    case Advice::fillCells:
        return u"Bitte die fehlenden Werte in der Tabelle ergänzen.";
    case Advice::replaceCharacter:
        return several ? u"Bitte die Zeichen in der Tabelle ersetzen." : u"Bitte das Zeichen in der Tabelle ersetzen.";
    case Advice::saveAgain:
        return several ? u"Bitte die Tabelle in Excel oder LibreOffice öffnen, die Stellen prüfen und neu speichern, in "
                         u"Excel als „CSV UTF-8 (durch Trennzeichen getrennt) (*.csv)“."
                       : u"Bitte die Tabelle in Excel oder LibreOffice öffnen, die Stelle prüfen und neu speichern, in "
                         u"Excel als „CSV UTF-8 (durch Trennzeichen getrennt) (*.csv)“.";
    case Advice::correctErrorValue:
        return several ? u"Bitte die Formeln oder Werte in den Zellen korrigieren."
                       : u"Bitte die Formel oder den Wert in der Zelle korrigieren.";
    case Advice::removeLineBreak:
        return several ? u"Bitte die Zeilenumbrüche in den Zellen entfernen."
                       : u"Bitte den Zeilenumbruch in der Zelle entfernen.";
    case Advice::calculateFormulas:
        return several ? u"Bitte die Arbeitsmappe in Excel oder LibreOffice öffnen und speichern, damit die Ergebnisse "
                         u"der Formeln gespeichert werden."
                       : u"Bitte die Arbeitsmappe in Excel oder LibreOffice öffnen und speichern, damit das Ergebnis "
                         u"der Formel gespeichert wird.";
    }
    return {};
}

// A table's problems for the window's one box: one alone as a sentence and what to do; more
// under a line that counts them and names the table, the first of them one a line, the
// count of the rest, and what to do about every kind among them all.
std::u16string problemsText(const FileConversion& done, const ProblemList& problems, const TableNaming& naming,
                            std::u16string_view table) {
    if (done.problems == 1 && !problems.first.empty()) {
        const ProblemText text = problemText(problems.first.front(), naming);
        return text.what + u" " + text.advice;
    }
    // The prefix is no part of the table, and comes first. `table` starts with "Die ".
    const bool prefix = problems.ofKind[static_cast<std::size_t>(Advice::replacePrefixCharacter)] > 0;
    std::u16string all = prefix ? u"Das Präfix und die" + std::u16string(table.substr(3)) + u" enthalten "
                                : std::u16string(table) + u" enthält ";
    all += number(done.problems) + u" Probleme; es wurde nichts geschrieben.";
    for (const TableProblem& problem : problems.first)
        all += u"\r\n" + describe(problem, naming, {}).what;
    if (const std::size_t rest = done.problems - std::min(done.problems, problems.first.size()); rest > 0)
        all += u"\r\n… und " + number(rest) + (rest == 1 ? u" weiteres Problem." : u" weitere Probleme.");
    std::u16string_view separator = u"\r\n";
    for (std::size_t kind = 0; kind < adviceKinds; ++kind) {
        if (problems.ofKind[kind] == 0)
            continue;
        all += std::u16string(separator) + std::u16string(adviceText(static_cast<Advice>(kind), problems.ofKind[kind] > 1));
        separator = u" ";
    }
    return all;
}

// A destination whose path holds what no file's name can (a NUL; on Linux half of a
// character that no bytes give).
std::u16string badDestinationName(std::u16string_view destination) {
    return u"Der Pfad der Zieldatei " + quotedPath(destination) +
           u" enthält ein Zeichen, das in keinem Dateinamen stehen kann. Bitte den Pfad prüfen.";
}

// A path written as Windows writes one, off Windows (see isForeignPath); `which` is
// "Quelldatei" or "Zieldatei".
std::u16string windowsPath(std::u16string_view which, std::u16string_view path) {
    return u"Der Pfad der " + std::u16string(which) + u" " + quotedPath(path) +
           u" ist ein Windows-Pfad und bezeichnet auf diesem System keine Datei. Bitte den Pfad angeben, unter dem "
           u"die Datei hier zu erreichen ist, " + std::u16string(forExample) +
           u" einen Pfad im Ordner, in dem das Windows-Laufwerk oder die Freigabe eingebunden ist (etwa unter /mnt).";
}

// Another way to hand the console program a table it does not read under its path.
constexpr std::u16string_view throughStandardInput = u" oder die Tabelle mit QUELLE „-“ über die Standardeingabe übergeben.";

// A source path under which the existence test finds no table, in the console program's
// words: what stands there instead, and what to do about it.
std::u16string noSourceFile(std::u16string_view source) {
    const std::u16string file = u"Die Quelldatei " + quotedPath(source);
    switch (namesAFile(source) ? systemFiles().lookUp(source) : Entry::missing) {
    case Entry::folder:
        return file + u" ist ein Ordner. Bitte den Pfad einer Tabelle angeben.";
    case Entry::special:
        return file + std::u16string(noOrdinaryFile) + u" Bitte den Pfad einer Tabelle angeben" +
               std::u16string(throughStandardInput);
    case Entry::noAccess:
        return file + u" kann nicht gelesen werden" + std::u16string(folderClosed);
    case Entry::file:
    case Entry::readOnlyFile:
        // An ordinary file, which the existence test passes over as hidden. Explorer has no
        // box for the mark "System"; attrib takes both.
#ifdef _WIN32
        return file + u" ist als versteckte Datei oder als Systemdatei gekennzeichnet, und solche Dateien liest brisel "
                      u"nicht. Bitte die Kennzeichen mit dem Befehl „attrib -h -s \"" +
               readableText(nativeSeparators(source)) +
               u"\"“ entfernen (eine nur versteckte Datei auch im Explorer: unter Eigenschaften der Datei das Häkchen "
               u"bei „Versteckt“ entfernen)" + std::u16string(throughStandardInput);
#else
        return file + u" ist versteckt (ihr Name beginnt mit einem Punkt), und versteckte Dateien liest brisel nicht. "
                      u"Bitte die Datei so umbenennen, dass ihr Name nicht mit einem Punkt beginnt," +
               std::u16string(throughStandardInput);
#endif
    case Entry::missing:
    case Entry::noFolder:
        break;
    }
    if (isForeignPath(source))
        return windowsPath(u"Quelldatei", source);
    return file + u" existiert nicht. Bitte den Pfad prüfen.";
}

// Where a character that the records cannot hold would have gone: the destination file,
// or where there is none (standard output, a table only checked) the records themselves.
std::u16string_view inRecords(const TableNaming& naming) {
    const bool file = !naming.destination.empty() &&
                      !(naming.lookup == SourceLookup::fileOrStandardInput && naming.destination == u"-");
    return file ? u"in der Zieldatei" : u"in den Datensätzen";
}

enum class Missing { source, sourceFile, destination, destinationName, windowsDestination, writeMode };

// The checks before a conversion, in the window's order. A path that can name no file
// never reaches the system, where it would name another one.
std::optional<Missing> firstMissing(std::u16string_view source, std::u16string_view destination, bool modeChosen,
                                    SourceLookup lookup) {
    if (source.empty())
        return Missing::source;
    const bool standardInput = lookup == SourceLookup::fileOrStandardInput && source == u"-";
    if (!standardInput && !(namesAFile(source) && isOrdinaryFile(source)))
        return Missing::sourceFile;
    if (destination.empty())
        return Missing::destination;
    if (!namesAFile(destination))
        return Missing::destinationName;
    if (isForeignPath(destination))
        return Missing::windowsDestination;
    if (!modeChosen)
        return Missing::writeMode;
    return std::nullopt;
}

}  // namespace

std::u16string inQuotes(std::u16string_view text) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "literal" + string.
    std::u16string quoted = u"„";
    quoted += readableText(text);
    quoted += u"“";
    return quoted;
}

std::u16string quotedPath(std::u16string_view path) {
    return inQuotes(nativeSeparators(path));
}

std::u16string number(std::size_t n) {
    const std::string digits = std::to_string(n);
    return {digits.begin(), digits.end()};
}

std::optional<Message> missingInput(std::u16string_view source, std::u16string_view destination, bool modeChosen) {
    const std::optional<Missing> missing = firstMissing(source, destination, modeChosen, SourceLookup::file);
    if (!missing)
        return std::nullopt;
    switch (*missing) {
    case Missing::source:
        return Message{u"Bitte Quelldatei auswählen", u"Fehlende Eingabe"};
    case Missing::sourceFile:
        return Message{u"Die angegebene Quelldatei existiert nicht.", u"Ungültige Eingabe"};
    case Missing::destination:
        return Message{u"Bitte Zieldatei angeben oder auswählen", u"Fehlende Eingabe"};
    case Missing::destinationName:
        return Message{badDestinationName(destination), u"Ungültige Eingabe"};
    case Missing::windowsDestination:
        return Message{windowsPath(u"Zieldatei", destination), u"Ungültige Eingabe"};
    case Missing::writeMode:
        return Message{u"Bitte Überschreiben oder Anhängen wählen", u"Fehlende Angabe"};
    }
    return std::nullopt;
}

std::optional<std::u16string> missingArgument(const CommandLineInputs& inputs) {
    const std::u16string file = quotedPath(inputs.configuration);
    // A path that the configuration file should have given, by its key.
    const auto notInFile = [&](std::u16string_view what, std::u16string_view key) {
        return u"In " + file + u" ist keine " + std::u16string(what) + u" angegeben. Bitte " +
               (inputs.checkOnly ? u"QUELLE" : u"QUELLE und ZIEL") + u" angeben oder in " + file + u" die Zeile „" +
               std::u16string(key) + u" = …“ eintragen.";
    };
    const std::optional<Missing> missing = firstMissing(inputs.source, inputs.destination, inputs.modeChosen,
                                                        SourceLookup::fileOrStandardInput);
    if (!missing)
        return std::nullopt;
    switch (*missing) {
    case Missing::source:
        if (inputs.pathsFromConfiguration)
            return notInFile(u"Quelldatei", u"quelle");
        return u"QUELLE ist leer. Bitte den Pfad der Tabelle angeben oder „-“ für die Standardeingabe.";
    case Missing::sourceFile:
        return noSourceFile(inputs.source);
    case Missing::destination:
        if (inputs.pathsFromConfiguration)
            return notInFile(u"Zieldatei", u"ziel");
        return u"ZIEL ist leer. Bitte den Pfad der material.ini angeben oder „-“ für die Standardausgabe (nur mit "
               u"--ersetzen).";
    case Missing::destinationName:
        return badDestinationName(inputs.destination);
    case Missing::windowsDestination:
        return windowsPath(u"Zieldatei", inputs.destination);
    case Missing::writeMode:
        return u"Bitte --ersetzen oder --erweitern angeben oder in " + file +
               u" die Zeile „action = ersetzen“ oder „action = erweitern“ eintragen (kleingeschrieben).";
    }
    return std::nullopt;
}

std::optional<std::u16string> leftoversNote(const Leftovers& cleared, std::u16string_view destination) {
    std::u16string note;
    if (cleared.takenBack)
        note = u"Eine frühere Konvertierung wurde unterbrochen, während sie die Zieldatei " + quotedPath(destination) +
               u" ersetzte. Der vorige Inhalt der Zieldatei wurde wiederhergestellt, bevor diese Konvertierung begann.";
    for (const std::u16string& kept : cleared.kept) {
        const std::u16string_view name = std::u16string_view(kept).substr(kept.find_last_of(u"/\\") + 1);
        note += std::u16string(note.empty() ? u"" : u" ") + u"Neben der Zieldatei " + quotedPath(destination) +
                u" liegt noch " + inQuotes(name) +
                u" mit dem Inhalt, den die Zieldatei vor einer unterbrochenen Konvertierung hatte. Bitte prüfen, ob "
                u"dieser Inhalt noch gebraucht wird, und " + inQuotes(name) + u" danach löschen.";
    }
    return note.empty() ? std::nullopt : std::optional(note);
}

Advice adviceFor(const TableProblem& problem) {
    using Kind = TableProblem::Kind;
    switch (problem.kind) {
    case Kind::tooFewFields:
        return problem.cell ? Advice::fillCells : Advice::fillFields;
    case Kind::unrepresentable: {
        std::string utf8;
        return problem.character == noCharacter || !appendUtf8(utf8, problem.character) ? Advice::saveAgain
                                                                                        : Advice::replaceCharacter;
    }
    case Kind::errorValue:
        return Advice::correctErrorValue;
    case Kind::lineBreak:
        return Advice::removeLineBreak;
    case Kind::withoutResult:
        return Advice::calculateFormulas;
    case Kind::prefixUnrepresentable:
        return Advice::replacePrefixCharacter;
    }
    return Advice::fillFields;
}

ProblemText problemText(const TableProblem& problem, const TableNaming& naming) {
    return describe(problem, naming, ofTable(naming));
}

namespace {

ProblemText describe(const TableProblem& problem, const TableNaming& naming, std::u16string_view table) {
    using Kind = TableProblem::Kind;
    const std::u16string advice(adviceText(adviceFor(problem), false));
    switch (problem.kind) {
    case Kind::tooFewFields: {
        const std::size_t count = problem.fieldCount;
        if (problem.cell) {
            // A workbook's row in its columns, as the spreadsheet shows them.
            const std::u16string values = count == 1 ? u" hat nur in Spalte A einen Wert"
                                                     : u" hat Werte nur bis Spalte " + column(count);
            return {rowOf(problem) + std::u16string(table) + values + u"; erwartet werden mindestens " +
                        number(minimumFieldCount) + u" Spalten (bis " + column(minimumFieldCount) + u").",
                    advice};
        }
        const std::u16string fields = count == 1 ? u"1 Feld" : number(count) + u" Felder";
        return {rowOf(problem) + std::u16string(table) + u" hat " + fields + u"; erwartet werden mindestens " +
                    number(minimumFieldCount) + u".",
                advice};
    }
    case Kind::unrepresentable: {
        std::string utf8;
        if (problem.character == noCharacter || !appendUtf8(utf8, problem.character)) {
            // Only a table that starts with the UTF-8 mark is read as UTF-8 with such bytes.
            const std::u16string_view marked = problem.cell ? u"" : u", obwohl die Tabelle als UTF-8 gekennzeichnet ist";
            return {placeOf(problem, table) + u" enthält Bytes, die kein gültiges UTF-8 sind" + std::u16string(marked) +
                        u".",
                    advice};
        }
        return {placeOf(problem, table) + u" enthält das Zeichen " + inQuotes(utf16FromUtf8(utf8)) + u", das " +
                    std::u16string(inRecords(naming)) + u" nicht darstellbar ist.",
                advice};
    }
    case Kind::errorValue:
        return {placeOf(problem, table) + u" enthält den Fehlerwert " + inQuotes(utf16FromUtf8(problem.errorValue)) +
                    u".",
                advice};
    case Kind::lineBreak:
        return {placeOf(problem, table) + u" enthält einen Zeilenumbruch. Ein Material muss in einer Zeile stehen.",
                advice};
    case Kind::withoutResult:
        return {placeOf(problem, table) + u" enthält eine Formel ohne gespeichertes Ergebnis.", advice};
    case Kind::prefixUnrepresentable: {
        std::string utf8;
        if (!appendUtf8(utf8, problem.character))
            utf8 = "\xEF\xBF\xBD";
        // The window's field is captioned "Prefix"; the messages write the word in German.
        const std::u16string given = naming.prefixGiven.empty() ? u"Feld „Prefix für Materialbezeichnung“"
                                                                : std::u16string(naming.prefixGiven);
        return {u"Das Präfix (" + given + u") enthält das Zeichen " + inQuotes(utf16FromUtf8(utf8)) + u", das " +
                    std::u16string(inRecords(naming)) + u" nicht darstellbar ist.",
                advice};
    }
    }
    return {};
}

}  // namespace

std::u16string statusText(const FileConversion& done, const ProblemList& problems, std::u16string_view source,
                          std::u16string_view destination, SourceLookup lookup) {
    using Outcome = FileConversion::Outcome;
    const bool standardInput = isStandardInput(source, lookup);
    const TableNaming naming{source, lookup, destination};
    const std::u16string table = standardInput ? u"Die Tabelle auf der Standardeingabe" : u"Die Quelldatei " + quotedPath(source);
    const std::u16string workbook =
        standardInput ? u"Die Arbeitsmappe auf der Standardeingabe" : u"Die Arbeitsmappe " + quotedPath(source);
    switch (done.outcome) {
    case Outcome::ok:
        break;
    case Outcome::sourceUnreadable:
        return table + u" kann nicht gelesen werden. Bitte die Leserechte der Datei prüfen.";
    case Outcome::sourceInUse:
        return table + u" wird gerade von einem anderen Programm benutzt und kann nicht gelesen werden." +
               closeTheHolder();
    case Outcome::utf16Table:
        return table + u" ist als Unicode-Text (UTF-16) gespeichert. Bitte die Tabelle in Excel als „CSV "
                       u"(Trennzeichen-getrennt) (*.csv)“ oder „CSV UTF-8 (durch Trennzeichen getrennt) (*.csv)“ "
                       u"speichern.";
    case Outcome::tableProblems:
        return problemsText(done, problems, naming, standardInput ? u"Die Tabelle" : table);
    case Outcome::utf16Destination:
        return u"Die Zieldatei " + quotedPath(destination) +
               u" ist als Unicode-Text (UTF-16) gespeichert und kann nicht erweitert werden. Bitte die Datei im "
               u"Editor als ANSI oder UTF-8 speichern.";
    case Outcome::oldWorkbook:
        return table + u" ist eine Datei in einem alten Office-Format (" + std::u16string(forExample) +
               u" eine Excel-Arbeitsmappe .xls oder ein Word-Dokument .doc) oder eine kennwortgeschützte "
               u"Arbeitsmappe. Bitte die Materialtabelle in Excel als „Excel-Arbeitsmappe (*.xlsx)“, in LibreOffice als "
               u"„ODF-Tabellendokument (.ods)“ oder als CSV speichern, und zwar ohne Kennwort.";
    case Outcome::workbookUnsupported:
        return table + u" ist keine Arbeitsmappe, die brisel lesen kann (" + std::u16string(forExample) +
               u" eine Excel-Binärarbeitsmappe oder ein Word-Dokument). Gelesen werden Excel-Arbeitsmappen (.xlsx, "
               u".xlsm), LibreOffice-Tabellen (.ods) und CSV-Dateien. Bitte die Tabelle in Excel als "
               u"„Excel-Arbeitsmappe (*.xlsx)“ oder als CSV speichern.";
    case Outcome::workbookUnreadable:
        return workbook + u" ist beschädigt oder unvollständig und kann nicht gelesen werden. Bitte die Arbeitsmappe "
                          u"in Excel oder LibreOffice öffnen und neu speichern oder eine unbeschädigte Kopie nehmen.";
    case Outcome::workbookTooLarge:
        return workbook + u" ist zu groß: Das Tabellenblatt oder ein anderer Teil der Datei umfasst entpackt mehr als " +
               number(workbookPartLimit >> 20) + u"\u00A0MB, oder die Datensätze daraus würden mehr umfassen. Bitte "
               u"nur die Materialtabelle in eine eigene Arbeitsmappe kopieren oder als CSV speichern.";
    case Outcome::unknownSheet:
        return unknownSheet(done, workbook);
    case Outcome::emptySheet: {
        // The window reads the sheet that was open when the workbook was saved; the console
        // program reads another one where it is named.
        const std::u16string text = u"Das Tabellenblatt " + inQuotes(done.sheet) + u" der Arbeitsmappe " +
                                    (standardInput ? u"auf der Standardeingabe" : quotedPath(source)) +
                                    u" enthält keine Materialien; es wurde nichts geschrieben.";
        if (done.sheetNamed)
            return text + u" Bitte bei --blatt das Tabellenblatt der Materialien angeben.";
        const std::u16string_view named = lookup == SourceLookup::fileOrStandardInput
                                              ? u" oder es mit --blatt angeben"
                                              : u"";
        return text + u" Bitte die Arbeitsmappe in Excel oder LibreOffice öffnen, das Tabellenblatt der Materialien "
                      u"anklicken und die Arbeitsmappe speichern" +
               std::u16string(named) + u".";
    }
    case Outcome::sheetOfCsvTable:
        return table + u" ist keine Arbeitsmappe und hat keine Tabellenblätter. Bitte --blatt weglassen oder eine "
                       u"Arbeitsmappe (.xlsx, .xlsm, .ods) angeben.";
    case Outcome::writeFailed:
        return writeFailure(done.writeError, destination);
    case Outcome::outOfMemory:
        return u"Für die Konvertierung reicht der Arbeitsspeicher nicht aus. Bitte andere Programme schließen und "
               u"erneut konvertieren.";
    }
    return u"OK";
}

}  // namespace brisel
