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
std::u16string closeTheHolder(std::u16string_view example = {}) {
    const std::u16string which = example.empty() ? u"" : u" (" + std::u16string(example) + u")";
    return u" Bitte das Programm schließen, das die Datei geöffnet hat" + which + u", und erneut konvertieren.";
}

// What to do about a file that may not be written at all, in the words of the system's own
// tools.
#ifdef _WIN32
constexpr std::u16string_view makeWritable =
    u" Bitte im Explorer unter Eigenschaften der Datei das Häkchen bei „Schreibgeschützt“ entfernen und erneut "
    u"konvertieren.";
#else
constexpr std::u16string_view makeWritable =
    u" Bitte der Datei das Schreibrecht geben (in ihren Eigenschaften im Dateimanager oder mit „chmod u+w“) und "
    u"erneut konvertieren.";
#endif

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
        return file + u" ist keine normale Datei (" + std::u16string(forExample) +
               u" ein Gerät). Bitte eine normale Datei als Zieldatei angeben.";
    case WriteError::inUse:
        return file + u" wird gerade von einem anderen Programm benutzt." +
               closeTheHolder(std::u16string(forExample) + u" das CAD-System");
    case WriteError::readOnly:
        return file + u" ist schreibgeschützt." + std::u16string(makeWritable);
    case WriteError::noTemporaryFile: {
        const std::u16string folder = temporaryFolder();
        return file + u" kann nur an Ort und Stelle neu geschrieben werden, und dafür kann im Ordner für temporäre "
                      u"Dateien" + (folder.empty() ? u"" : u" " + quotedPath(folder)) +
               u" keine Datei angelegt oder geschrieben werden. Die Zieldatei ist unverändert. Bitte diesen Ordner und "
               u"seinen freien Speicherplatz prüfen und erneut konvertieren.";
    }
    case WriteError::leftChanged:
        return file + u" konnte nicht vollständig geschrieben werden, und ihr bisheriger Inhalt ließ sich nicht "
                      u"wiederherstellen: Die Datei ist jetzt beschädigt. Bitte Schreibrechte und freien Speicherplatz "
                      u"prüfen, die Datei prüfen und sie gegebenenfalls aus einer Sicherung wiederherstellen.";
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
               u". Bitte bei --blatt diesen Namen angeben" + std::u16string(sameCase);
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

// A place as messages name it: "Zeile 5, Feld 2 der Quelldatei", or a workbook's cell,
// "Zeile 5, Spalte B der Quelldatei", with its sheet as rowOf has it.
std::u16string placeOf(const TableProblem& problem, const TableNaming& naming) {
    std::u16string place = rowOf(problem);
    if (problem.cell) {
        const std::string letters = columnLetters(problem.field);
        place += u", Spalte " + std::u16string(letters.begin(), letters.end());
    } else {
        place += u", Feld " + number(problem.field);
    }
    return place + std::u16string(ofTable(naming));
}

// A table's problems for the window's one box: one alone as a sentence and what to do; more
// under a line that counts them, the first of them one a line, the count of the rest, and
// what to do about each kind.
std::u16string problemsText(const FileConversion& done, const ProblemList& problems, const TableNaming& naming,
                            std::u16string_view table) {
    if (done.problems == 1 && !problems.first.empty()) {
        const ProblemText text = problemText(problems.first.front(), naming);
        return text.what + u" " + text.advice;
    }
    std::u16string all = std::u16string(table) + u" enthält " + number(done.problems) +
                         u" Probleme; es wurde nichts geschrieben.";
    std::vector<std::u16string> advice;
    for (const TableProblem& problem : problems.first) {
        ProblemText text = problemText(problem, naming);
        all += u"\r\n" + text.what;
        if (std::find(advice.begin(), advice.end(), text.advice) == advice.end())
            advice.push_back(std::move(text.advice));
    }
    if (done.problems > problems.first.size())
        all += u"\r\n… und " + number(done.problems - problems.first.size()) + u" weitere Probleme";
    for (std::size_t i = 0; i < advice.size(); ++i)
        all += (i == 0 ? u"\r\n" : u" ") + advice[i];
    return all;
}

// A destination whose path holds what no file's name can (a NUL; on Linux half of a
// character that no bytes give).
std::u16string badDestinationName(std::u16string_view destination) {
    return u"Der Pfad der Zieldatei " + quotedPath(destination) +
           u" enthält ein Zeichen, das in keinem Dateinamen stehen kann. Bitte den Pfad prüfen.";
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
        return file + u" ist keine normale Datei (" + std::u16string(forExample) +
               u" eine Pipe). Bitte den Pfad einer Tabelle angeben" + std::u16string(throughStandardInput);
    case Entry::file:
    case Entry::readOnlyFile:
        // An ordinary file, which the existence test passes over as hidden.
#ifdef _WIN32
        return file + u" ist als versteckte Datei oder als Systemdatei gekennzeichnet, und solche Dateien liest brisel "
                      u"nicht. Bitte im Explorer unter Eigenschaften der Datei das Häkchen bei „Versteckt“ entfernen" +
               std::u16string(throughStandardInput);
#else
        return file + u" ist versteckt (ihr Name beginnt mit einem Punkt), und versteckte Dateien liest brisel nicht. "
                      u"Bitte die Datei umbenennen" +
               std::u16string(throughStandardInput);
#endif
    case Entry::missing:
    case Entry::noFolder:
        break;
    }
    return file + u" existiert nicht. Bitte den Pfad prüfen.";
}

// Where a character that the records cannot hold would have gone: the destination file,
// or where there is none (standard output, a table only checked) the records themselves.
std::u16string_view inRecords(const TableNaming& naming) {
    const bool file = !naming.destination.empty() &&
                      !(naming.lookup == SourceLookup::fileOrStandardInput && naming.destination == u"-");
    return file ? u"in der Zieldatei" : u"in den Datensätzen";
}

enum class Missing { source, sourceFile, destination, destinationName, writeMode };

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
    case Missing::writeMode:
        return Message{u"Bitte Überschreiben oder Anhängen wählen", u"Fehlende Angabe"};
    }
    return std::nullopt;
}

std::optional<std::u16string> missingArgument(const CommandLineInputs& inputs) {
    const std::u16string file = quotedPath(inputs.configuration);
    // A path that the configuration file should have given, by its key.
    const auto notInFile = [&](std::u16string_view what, std::u16string_view key) {
        return u"In " + file + u" ist keine " + std::u16string(what) + u" angegeben. Bitte QUELLE und ZIEL angeben "
               u"oder in " + file + u" die Zeile „" + std::u16string(key) + u" = …“ eintragen.";
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
    case Missing::writeMode:
        return u"Bitte --ersetzen oder --erweitern angeben oder in " + file +
               u" die Zeile „action = ersetzen“ oder „action = erweitern“ eintragen; der Wert wird kleingeschrieben.";
    }
    return std::nullopt;
}

std::optional<std::u16string> leftoversNote(const Leftovers& cleared, std::u16string_view destination) {
    std::u16string note;
    if (cleared.takenBack)
        note = u"Eine frühere Konvertierung wurde unterbrochen, während sie die Zieldatei " + quotedPath(destination) +
               u" ersetzte. Die Datei hat wieder ihren vorigen Inhalt.";
    for (const std::u16string& kept : cleared.kept) {
        const std::u16string_view name = std::u16string_view(kept).substr(kept.find_last_of(u"/\\") + 1);
        note += std::u16string(note.empty() ? u"" : u" ") + u"Neben der Zieldatei " + quotedPath(destination) +
                u" liegt noch " + inQuotes(name) +
                u" mit dem Inhalt, den die Zieldatei vor einer unterbrochenen Konvertierung hatte. Bitte prüfen, ob "
                u"dieser Inhalt noch gebraucht wird, und die Datei danach löschen.";
    }
    return note.empty() ? std::nullopt : std::optional(note);
}

ProblemText problemText(const TableProblem& problem, const TableNaming& naming) {
    using Kind = TableProblem::Kind;
    switch (problem.kind) {
    case Kind::tooFewFields: {
        const std::u16string fields = problem.fieldCount == 1 ? u"1 Feld" : number(problem.fieldCount) + u" Felder";
        return {rowOf(problem) + std::u16string(ofTable(naming)) + u" hat " + fields +
                    u"; erwartet werden mindestens " + number(minimumFieldCount) + u".",
                u"Bitte die fehlenden Felder in der Tabelle ergänzen."};
    }
    case Kind::unrepresentable: {
        std::string utf8;
        if (problem.character == noCharacter || !appendUtf8(utf8, problem.character)) {
            // Only a table that starts with the UTF-8 mark is read as UTF-8 with such bytes.
            const std::u16string_view marked = problem.cell ? u"" : u", obwohl die Tabelle als UTF-8 gekennzeichnet ist";
            return {placeOf(problem, naming) + u" enthält Bytes, die kein gültiges UTF-8 sind" + std::u16string(marked) +
                        u".",
                    u"Bitte die Tabelle in Excel oder LibreOffice öffnen, die Stelle prüfen und neu speichern, in "
                    u"Excel als „CSV UTF-8 (durch Trennzeichen getrennt) (*.csv)“."};
        }
        return {placeOf(problem, naming) + u" enthält das Zeichen " + inQuotes(utf16FromUtf8(utf8)) + u", das " +
                    std::u16string(inRecords(naming)) + u" nicht darstellbar ist.",
                u"Bitte das Zeichen in der Tabelle ersetzen."};
    }
    case Kind::errorValue:
        return {placeOf(problem, naming) + u" enthält den Fehlerwert " + inQuotes(utf16FromUtf8(problem.errorValue)) +
                    u".",
                u"Bitte die Formel oder den Wert in der Zelle korrigieren."};
    case Kind::lineBreak:
        return {placeOf(problem, naming) + u" enthält einen Zeilenumbruch. Ein Material muss in einer Zeile stehen.",
                u"Bitte den Zeilenumbruch in der Zelle entfernen."};
    case Kind::prefixUnrepresentable: {
        std::string utf8;
        if (!appendUtf8(utf8, problem.character))
            utf8 = "\xEF\xBF\xBD";
        return {u"Das Präfix enthält das Zeichen " + inQuotes(utf16FromUtf8(utf8)) + u", das " +
                    std::u16string(inRecords(naming)) + u" nicht darstellbar ist.",
                u"Bitte das Zeichen im Präfix ersetzen."};
    }
    }
    return {};
}

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
               u" ist als Unicode-Text (UTF-16) gespeichert und kann nicht erweitert werden. Bitte im Editor als "
               u"ANSI oder UTF-8 speichern.";
    case Outcome::oldWorkbook:
        return table + u" ist eine Datei in einem alten Office-Format (" + std::u16string(forExample) +
               u" eine Excel-Arbeitsmappe .xls oder ein Word-Dokument .doc) oder eine kennwortgeschützte "
               u"Arbeitsmappe. Bitte die Materialtabelle ohne Kennwort speichern: in Excel als „Excel-Arbeitsmappe "
               u"(*.xlsx)“, in LibreOffice als „ODF-Tabellendokument (.ods)“ oder als CSV.";
    case Outcome::workbookUnsupported:
        return table + u" ist keine Arbeitsmappe, die brisel lesen kann (" + std::u16string(forExample) +
               u" eine Excel-Binärarbeitsmappe oder ein Word-Dokument). brisel liest Excel-Arbeitsmappen (.xlsx, "
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
    case Outcome::emptySheet:
        return u"Das Tabellenblatt " + inQuotes(done.sheet) + u" der Arbeitsmappe " +
               (standardInput ? u"auf der Standardeingabe" : quotedPath(source)) +
               u" enthält keine Materialien; es wurde nichts geschrieben. Bitte die Arbeitsmappe mit dem Blatt der "
               u"Materialtabelle im Vordergrund speichern (brisel-convert liest ein anderes Blatt auch mit --blatt).";
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
