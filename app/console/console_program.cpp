// The console program: command line, brisel.conf, the window's checks, the conversion.
#include "app/console/console_program.h"

#include "app/config_file.h"
#include "app/console/arguments.h"
#include "app/file_conversion.h"
#include "app/messages.h"
#include "app/version.h"
#include "platform/console.h"

#include <memory>
#include <new>
#include <string>
#include <string_view>

namespace brisel {
namespace {

constexpr std::u16string_view programName = u"brisel-convert";

// Lines of at most 79 characters, for a terminal of 80.
constexpr std::u16string_view usage =
    u"Aufruf: brisel-convert (--ersetzen | --erweitern) [--prefix TEXT]\n"
    u"                       [--blatt NAME] QUELLE ZIEL\n"
    u"        brisel-convert --konfiguration DATEI [--ersetzen | --erweitern]\n"
    u"                       [--prefix TEXT] [--blatt NAME] [QUELLE ZIEL]\n"
    u"        brisel-convert --pruefen [--prefix TEXT] [--blatt NAME] QUELLE\n"
    u"        brisel-convert --hilfe\n"
    u"        brisel-convert --version";

constexpr std::u16string_view help =
    u"\n\n"
    u"Konvertiert die Tabelle QUELLE (eine CSV-Datei oder eine Arbeitsmappe .xlsx,\n"
    u".xlsm, .ods) in Materialdatensätze und schreibt sie in ZIEL (material.ini),\n"
    u"wie „Konvertieren“ im Fenster von brisel.\n"
    u"\n"
    u"  --ersetzen             ZIEL überschreiben (in ANSI)\n"
    u"  --erweitern            an ZIEL anhängen (in dessen Kodierung; die Datensätze\n"
    u"                         beginnen in einer neuen Zeile)\n"
    u"  --prefix TEXT          TEXT vor jeden Materialnamen setzen\n"
    u"  --blatt NAME           aus einer Arbeitsmappe das Tabellenblatt NAME lesen\n"
    u"                         (wie auf dem Blattregister geschrieben, auch ein\n"
    u"                         ausgeblendetes); ohne --blatt das Blatt, das beim\n"
    u"                         Speichern aktiv war, wie „Speichern unter → CSV“\n"
    u"  --pruefen              QUELLE nur prüfen, nichts schreiben\n"
    u"  --konfiguration DATEI  quelle, ziel, prefix und action aus DATEI lesen\n"
    u"                         (Aufbau wie brisel.conf: Zeilen wie\n"
    u"                         „quelle = tabelle.csv“, mit CR LF, LF oder CR\n"
    u"                         beendet); Angaben auf der Befehlszeile haben\n"
    u"                         Vorrang\n"
    u"  -q, --leise, --quiet   bei Erfolg nichts ausgeben\n"
    u"  --hilfe, --help        diese Hilfe anzeigen und beenden\n"
    u"  --version              die Version anzeigen und beenden\n"
    u"\n"
    u"Ein Wert kann auch mit „=“ folgen (--prefix=TEXT); „--“ beendet die Optionen.\n"
    u"QUELLE „-“ liest die Tabelle von der Standardeingabe; ZIEL „-“ schreibt die\n"
    u"Datensätze auf die Standardausgabe (nur mit --ersetzen möglich).\n"
    u"\n"
    u"Jedes Problem der Tabelle (eine Zeile mit zu wenigen Feldern, ein Zeichen,\n"
    u"das ZIEL nicht aufnehmen kann, ein Fehlerwert) steht in einer Zeile der\n"
    u"Standardfehlerausgabe; ZIEL bleibt dann unverändert.\n"
    u"\n"
    u"Rückgabewert: 0 konvertiert (mit --pruefen: kein Problem); 1 eine Prüfung\n"
    u"oder die Konvertierung ist fehlgeschlagen (die Meldung steht auf der\n"
    u"Standardfehlerausgabe, ZIEL ist unverändert); 2 falscher Aufruf.";

// A text of several lines, one line at a time.
void printLines(Console& console, StandardStream stream, std::u16string_view text) {
    for (std::size_t end = text.find(u'\n'); end != std::u16string_view::npos; end = text.find(u'\n')) {
        console.printLine(stream, text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    console.printLine(stream, text);
}

// A text as one line: each line break in it (a box's text, a file name) becomes a blank.
std::u16string oneLine(std::u16string_view text) {
    std::u16string line;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == u'\r' || text[at] == u'\n') {
            if (text.substr(at, 2) == u"\r\n")
                ++at;
            line += u' ';
        } else {
            line += text[at];
        }
    }
    return line;
}

// A box's text as one line of standard error.
void report(Console& console, std::u16string_view message) {
    console.printLine(StandardStream::error, std::u16string(programName) + u": " + oneLine(message));
}

ExitStatus fail(Console& console, std::u16string_view message) {
    report(console, message);
    return ExitStatus::failed;
}

ExitStatus wrong(Console& console, std::u16string_view why) {
    console.printLine(StandardStream::error, std::u16string(programName) + u": " + std::u16string(why));
    printLines(console, StandardStream::error, usage);
    console.printLine(StandardStream::error, u"„brisel-convert --hilfe“ zeigt alle Optionen.");
    return ExitStatus::wrongUsage;
}

// Every problem of the table as one line of standard error, as the window would show it
// alone.
class PrintedProblems final : public ProblemSink {
public:
    PrintedProblems(Console& console, TableNaming naming) noexcept : console_(console), naming_(naming) {}
    void problem(const TableProblem& found) override {
        const ProblemText text = problemText(found, naming_);
        fail(console_, text.what + u" " + text.advice);
    }

private:
    Console& console_;
    TableNaming naming_;
};

// The records on standard output, a piece at a time.
class StandardOutput final : public ContentSink {
public:
    explicit StandardOutput(Console& console) noexcept : console_(console) {}
    bool write(std::string_view bytes) override { return console_.writeOutput(bytes); }

private:
    Console& console_;
};

std::u16string materials(std::size_t rows) {
    return number(rows) + (rows == 1 ? u" Material" : u" Materialien");
}

// The file's settings under those of the command line.
std::optional<Message> applyConfiguration(Invocation& invocation) {
    const ConfigFile file = loadConfigFile(*invocation.configuration);
    if (file.failure)
        return file.failure;
    if (!invocation.source) {
        invocation.source = file.source.value_or(u"");
        invocation.destination = file.destination.value_or(u"");
    }
    if (!invocation.prefix)
        invocation.prefix = file.prefix;
    if (!invocation.mode && file.action == ActionSetting::replace)
        invocation.mode = WriteMode::overwrite;
    if (!invocation.mode && file.action == ActionSetting::extend)
        invocation.mode = WriteMode::append;
    return std::nullopt;
}

}  // namespace

ExitStatus runConsoleProgram(const std::vector<std::u16string>& arguments, Console& console) try {
    const ParsedArguments parsed = parseArguments(arguments);
    if (!parsed.invocation)
        return wrong(console, parsed.usageError);
    Invocation invocation = *parsed.invocation;
    if (invocation.request == Invocation::Request::help) {
        printLines(console, StandardStream::output, std::u16string(usage) + std::u16string(help));
        return ExitStatus::converted;
    }
    if (invocation.request == Invocation::Request::version) {
        const std::string_view version = fileVersion;
        console.printLine(StandardStream::output,
                          std::u16string(programName) + u" " + std::u16string(version.begin(), version.end()));
        return ExitStatus::converted;
    }
    // Without operands the paths are the configuration file's, and messages name its keys.
    const bool pathsFromConfiguration = !invocation.source;
    const bool prefixFromConfiguration = !invocation.prefix;
    if (invocation.configuration) {
        if (const auto failure = applyConfiguration(invocation))
            return fail(console, failure->text);
    }

    const std::u16string source = invocation.source.value_or(u"");
    const std::u16string destination = invocation.destination.value_or(u"");
    const std::u16string prefix = invocation.prefix.value_or(u"");
    const bool toStandardOutput = destination == u"-";
    const bool check = invocation.request == Invocation::Request::check;
    if (toStandardOutput && invocation.mode == WriteMode::append && !check)
        return wrong(console, u"ZIEL „-“ (die Standardausgabe) ist nur mit --ersetzen möglich.");
    const std::u16string configuration = invocation.configuration.value_or(u"");
    // Where the records go, for messages: nowhere when the table is only checked.
    const std::u16string_view recordsTo = check ? u"" : std::u16string_view(destination);
    // A table to check needs no destination and no write mode.
    if (const auto missing = missingArgument({source, check ? u"-" : destination, check || invocation.mode.has_value(),
                                              configuration, pathsFromConfiguration, check}))
        return fail(console, *missing);
    // Where the prefix was given, for a message about a character of it.
    const std::u16string prefixGiven =
        prefixFromConfiguration ? u"Zeile „prefix = …“ in " + quotedPath(configuration) : u"--prefix";

    // The window's text of an outcome, with a table from standard input named as such.
    const auto failed = [&](const FileConversion& done) {
        return fail(console, statusText(done, {}, source, recordsTo, SourceLookup::fileOrStandardInput));
    };
    PrintedProblems problems(console, {source, SourceLookup::fileOrStandardInput, recordsTo, prefixGiven});
    std::unique_ptr<Table> table;
    if (source == u"-") {
        // Kept in a file of its own, as it may be read twice and is never held in memory.
        FileReader kept;
        if (FileReader::scratch(kept) != ReadError::none)
            return fail(console, u"Für die Tabelle auf der Standardeingabe kann keine temporäre Datei angelegt werden." +
                                     checkTemporaryFolder());
        bool stored = true;
        if (!console.readInput([&](std::string_view piece) { return (stored = kept.append(piece)); }))
            return fail(console, stored ? u"Die Standardeingabe kann nicht gelesen werden. Bitte prüfen, was auf die "
                                          u"Standardeingabe umgeleitet ist (z.\u00A0B. „< tabelle.csv“), oder den "
                                          u"Pfad der Tabelle als QUELLE angeben."
                                        : u"Die Tabelle auf der Standardeingabe kann nicht zwischengespeichert werden." +
                                              checkTemporaryFolder());
        table = tableOf(std::move(kept));
    } else {
        OpenedTable opened = openTable(source);
        if (!opened.table)
            return failed(FileConversion{opened.outcome});
        table = std::move(opened.table);
    }
    // Each problem of the table has its line on standard error already.
    const auto finished = [&](const FileConversion& done) {
        return done.outcome == FileConversion::Outcome::tableProblems ? ExitStatus::failed : failed(done);
    };

    if (invocation.request == Invocation::Request::check) {
        const FileConversion done = checkTable(*table, prefix, problems, invocation.sheet);
        if (done.outcome != FileConversion::Outcome::ok)
            return finished(done);
        if (!invocation.quiet)
            console.printLine(StandardStream::output,
                              oneLine((source == u"-" ? u"Die Tabelle auf der Standardeingabe"
                                                      : u"Die Quelldatei " + quotedPath(source)) +
                                      (done.rows == 0 ? u" hat keine Probleme, enthält aber keine Materialien."
                                                      : u" hat keine Probleme und enthält " + materials(done.rows) +
                                                            u".")));
        return ExitStatus::converted;
    }
    if (toStandardOutput) {
        // What "ersetzen" would write into a file: ANSI records, and nothing else.
        StandardOutput output(console);
        const FileConversion done = convertTableTo(*table, output, prefix, problems, invocation.sheet);
        if (done.outcome == FileConversion::Outcome::writeFailed)
            return fail(console, u"Auf die Standardausgabe kann nicht geschrieben werden; die Datensätze dort sind "
                                 u"unvollständig. Bitte prüfen, wohin die Standardausgabe umgeleitet ist (bei einer "
                                 u"Datei den freien Speicherplatz, bei einer Pipe das lesende Programm), oder die "
                                 u"material.ini als ZIEL angeben.");
        return done.outcome == FileConversion::Outcome::ok ? ExitStatus::converted : finished(done);
    }
    const FileConversion done =
        convertTableToFile(*table, destination, prefix, *invocation.mode, problems, invocation.sheet);
    if (const auto note = leftoversNote(done.leftovers, destination))
        report(console, u"Hinweis: " + *note);
    if (done.outcome != FileConversion::Outcome::ok)
        return finished(done);
    // The records are in place: a line that cannot be printed (standard output closed, or a
    // pipe that nobody reads any more) changes nothing of that, so the status stays 0.
    if (!invocation.quiet)
        console.printLine(StandardStream::output, oneLine(materials(done.rows) +
                                                          (*invocation.mode == WriteMode::append
                                                               ? u" an " + quotedPath(destination) + u" angehängt."
                                                               : u" in " + quotedPath(destination) + u" geschrieben.")));
    return ExitStatus::converted;
} catch (const std::bad_alloc&) {
    return fail(console, statusText(FileConversion{FileConversion::Outcome::outOfMemory}, {}, {}, {}));
}

}  // namespace brisel
