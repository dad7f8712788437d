// The conversion between the files and the conversion core.
//
// A CSV table is read a piece at a time, as often as a conversion needs it: once for
// "ersetzen", whose records go into a new file beside the destination as they are made;
// twice for "erweitern", once to know that every row is good and once to append, while the
// destination is held. A workbook is read once into memory, as its reader needs it whole,
// and its records are kept there for a second use.
#include "app/file_conversion.h"

#include "base/utf.h"
#include "conversion/appending.h"
#include "conversion/text_encoding.h"
#include "platform/ansi_text.h"
#include "platform/leftovers.h"
#include "workbook/workbook.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace brisel {
namespace {

using Outcome = FileConversion::Outcome;

// What a table is read in at a time; a line longer than this gets a larger piece.
constexpr std::size_t tablePiece = std::size_t{1} << 20;

FileConversion failed(Outcome outcome) {
    FileConversion done;
    done.outcome = outcome;
    return done;
}

Outcome readFailure(ReadError error) {
    return error == ReadError::inUse ? Outcome::sourceInUse : Outcome::sourceUnreadable;
}

const AnsiCodePage& codePage() {
    static const AnsiCodePage codePage(ansiCharacters());
    return codePage;
}

class FileTable final : public Table {
public:
    explicit FileTable(FileReader file) noexcept : file_(std::move(file)) {}
    ReadError read(std::uint64_t offset, char* into, std::size_t room, std::size_t& got) override {
        return file_.read(offset, into, room, got);
    }
    std::optional<std::uint64_t> size() override { return file_.size(); }

private:
    FileReader file_;
};

class BytesTable final : public Table {
public:
    explicit BytesTable(std::string_view bytes) noexcept : bytes_(bytes) {}
    ReadError read(std::uint64_t offset, char* into, std::size_t room, std::size_t& got) override {
        got = offset < bytes_.size() ? std::min<std::size_t>(room, bytes_.size() - offset) : 0;
        std::memcpy(into, bytes_.data() + offset, got);
        return ReadError::none;
    }
    std::optional<std::uint64_t> size() override { return bytes_.size(); }

private:
    std::string_view bytes_;
};

// Records that go nowhere: a table only checked.
class NoRecords final : public RecordSink {
public:
    bool write(std::string_view) override { return true; }
    bool wanted() const noexcept override { return false; }
};

// Records on their way into a file, or to standard output, handed on by a thread of their
// own: the copy into the system's cache and the disk's start on them run beside the
// conversion, on a second core. Each piece is copied once into one of a few buffers that
// go back and forth. Where no thread can be started, or where the records come from memory
// (a workbook's, kept from an earlier reading), they are handed on at once.
class RecordsInto final : public RecordSink {
public:
    RecordsInto(ContentSink& sink, bool aside) : sink_(sink), free_(aside ? pieces : 0) {
        // Room for the largest piece they take, once: a buffer that grew later would leave
        // its old memory with the allocator, and the memory a run takes would depend on
        // how the two threads meet.
        for (std::string& piece : free_)
            piece.reserve(pieceBytes);
        try {
            if (aside)
                writer_ = std::thread([this] { handOn(); });
        } catch (const std::system_error&) {
        }
    }
    ~RecordsInto() override { std::ignore = finish(); }
    RecordsInto(const RecordsInto&) = delete;
    RecordsInto& operator=(const RecordsInto&) = delete;

    bool write(std::string_view records) override {
        if (!writer_.joinable())
            return !(failed_ = failed_ || !sink_.write(records));
        std::unique_lock lock(mutex_);
        // A piece larger than the converter's buffer (a record of a huge field) is not
        // copied: it goes on from here once every piece before it has.
        if (records.size() > pieceBytes) {
            changed_.wait(lock, [&] { return (queued_.empty() && free_.size() == pieces) || failed_; });
            failed_ = failed_ || !sink_.write(records);
            return !failed_;
        }
        changed_.wait(lock, [&] { return !free_.empty() || failed_; });
        if (failed_)
            return false;
        std::string piece = std::move(free_.back());
        free_.pop_back();
        lock.unlock();
        piece.assign(records);
        lock.lock();
        queued_.push_back(std::move(piece));
        changed_.notify_all();
        return true;
    }

    // Waits until every piece is handed on: whether all were taken.
    [[nodiscard]] bool finish() {
        if (writer_.joinable()) {
            {
                const std::lock_guard lock(mutex_);
                ending_ = true;
            }
            changed_.notify_all();
            writer_.join();
        }
        return !failed_;
    }

private:
    static constexpr std::size_t pieces = 3;
    static constexpr std::size_t pieceBytes = std::size_t{4} << 20;

    void handOn() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return !queued_.empty() || ending_; });
            if (queued_.empty())
                return;
            std::string piece = std::move(queued_.front());
            queued_.pop_front();
            const bool refused = failed_;
            lock.unlock();
            const bool taken = !refused && sink_.write(piece);
            lock.lock();
            failed_ = failed_ || !taken;
            free_.push_back(std::move(piece));
            changed_.notify_all();
        }
    }

    ContentSink& sink_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> free_;
    std::deque<std::string> queued_;
    bool failed_ = false;
    bool ending_ = false;
    std::thread writer_;
};

// Problems counted on their way.
class CountedProblems final : public ProblemSink {
public:
    explicit CountedProblems(ProblemSink& problems) noexcept : problems_(problems) {}
    void problem(const TableProblem& found) override {
        ++count;
        problems_.problem(found);
    }
    std::size_t count = 0;

private:
    ProblemSink& problems_;
};

// The encoding the records are written in, asked for only where it matters: where a field
// or the prefix holds more than ASCII, which reads the same in either.
using RecordsEncoding = std::function<TextEncoding()>;

TextEncoding ansiRecords() {
    return TextEncoding::ansi;
}

// How one reading of the table ended.
struct Pass {
    Outcome outcome = Outcome::ok;
    std::vector<Worksheet> worksheets;  // unknownSheet: the workbook's
    std::u16string sheet;               // emptySheet: the sheet read
    std::size_t rows = 0;
    std::size_t problems = 0;
    bool refused = false;     // the record sink refused the records
    std::uint64_t end = 0;    // where the table ended: the next reading goes no further
};

// A table's records, made as often as they are asked for, in the encoding asked for then.
class Records {
public:
    Records(Table& table, std::u16string_view prefix, SheetChoice sheet)
        : table_(table), prefix_(prefix), sheet_(sheet) {}

    // Looks at the table's first bytes: a workbook, a byte-order mark. Outcome ok, or why
    // the table cannot be converted at all.
    Outcome open() {
        std::array<char, 8> first{};
        std::size_t got = 0;
        for (std::size_t more = 1; got < first.size() && more > 0; got += more) {
            if (const ReadError error = table_.read(got, first.data() + got, first.size() - got, more);
                error != ReadError::none)
                return readFailure(error);
        }
        const std::string_view start(first.data(), got);
        workbook_ = mayBeWorkbook(start);
        const ByteOrderMark mark = byteOrderMark(start);
        if (!workbook_ && mark.encoding == TextEncoding::utf16)
            return Outcome::utf16Table;
        markSize_ = mark.size;
        if (mark.encoding)
            tableEncoding_ = mark.encoding;
        return workbook_ || !sheet_ ? Outcome::ok : Outcome::sheetOfCsvTable;
    }

    bool workbook() const noexcept { return workbook_; }
    // The records will be asked for twice: a workbook's are kept from the first reading.
    void readTwice() noexcept { readTwice_ = true; }
    SheetChoice sheet() const noexcept { return sheet_; }

    // One reading: records to `records`, problems to `problems`, no further than `end`.
    Pass run(RecordSink& records, ProblemSink& problems, const RecordsEncoding& encoding,
             std::uint64_t end = UINT64_MAX) {
        return workbook_ ? runWorkbook(records, problems, encoding) : runTable(records, problems, encoding, end);
    }

private:
    // The encoding of a CSV table's fields in the records, known once it is asked for.
    class Encodings final : public FieldEncodings {
    public:
        Encodings(Records& records, const RecordsEncoding& encoding) : records_(records), encoding_(encoding) {}
        FieldEncoding encoding() override {
            return FieldEncoding(records_.tableEncoding(), encoding_(), codePage());
        }

    private:
        Records& records_;
        const RecordsEncoding& encoding_;
    };

    // Without a mark, a table is UTF-8 only where every byte of it is: read from its start
    // to its end once, when a field that goes into a record first holds more than ASCII.
    TextEncoding tableEncoding() {
        if (tableEncoding_)
            return *tableEncoding_;
        EncodingDetector detector;
        std::string piece(tablePiece, '\0');
        for (std::uint64_t at = 0;;) {
            std::size_t got = 0;
            if (const ReadError error = table_.read(at, piece.data(), piece.size(), got); error != ReadError::none) {
                readError_ = error;
                break;
            }
            if (got == 0 || !detector.feed(std::string_view(piece.data(), got)))
                break;
            at += got;
        }
        tableEncoding_ = detector.result();
        return *tableEncoding_;
    }

    // The prefix in the records' encoding, or nothing where it cannot be.
    std::optional<std::string> prefixIn(const RecordsEncoding& encoding) const {
        const bool ascii = std::all_of(prefix_.begin(), prefix_.end(), [](char16_t c) { return c < 0x80; });
        if (!ascii && encoding() == TextEncoding::utf8)
            return utf8FromUtf16(prefix_);
        return toAnsi(prefix_);
    }

    // The problem of a prefix that the records' encoding cannot hold: its first such character.
    TableProblem prefixProblem(const RecordsEncoding& encoding) const {
        TableProblem problem;
        problem.kind = TableProblem::Kind::prefixUnrepresentable;
        problem.character = 0xFFFD;  // half of a surrogate pair
        const bool utf8 = encoding() == TextEncoding::utf8;
        for (std::size_t at = 0; at < prefix_.size(); ++at) {
            char32_t c = prefix_[at];
            if (c >= 0xD800 && c < 0xDC00 && at + 1 < prefix_.size() && prefix_[at + 1] >= 0xDC00 && prefix_[at + 1] < 0xE000)
                c = 0x10000 + ((c - 0xD800) << 10) + (prefix_[++at] - 0xDC00);
            else if (c >= 0xD800 && c < 0xE000)
                return problem;
            if (!utf8 && !codePage().byteOf(c)) {
                problem.character = c;
                return problem;
            }
        }
        return problem;
    }

    // A prefix that the records cannot take is the first problem; the table is read all the
    // same, for its own problems, and no record is made.
    Pass runTable(RecordSink& records, ProblemSink& problems, const RecordsEncoding& recordsEncoding,
                  std::uint64_t end) {
        Pass pass;
        const std::optional<std::string> prefix = prefixIn(recordsEncoding);
        CountedProblems counted(problems);
        NoRecords nowhere;
        if (!prefix)
            counted.problem(prefixProblem(recordsEncoding));
        Encodings encodings(*this, recordsEncoding);
        TableConverter converter(prefix.value_or(""), encodings, prefix ? records : nowhere, counted);
        ByteBuffer buffer(tablePiece);
        std::size_t kept = 0;  // bytes of a line that the last piece did not hold whole
        std::uint64_t at = markSize_;
        while (!converter.ended()) {
            if (kept == buffer.capacity())
                buffer.grow(2 * buffer.capacity(), kept);
            std::size_t got = 0;
            const auto room = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.capacity() - kept, end - at));
            if (const ReadError error = table_.read(at, buffer.data() + kept, room, got); error != ReadError::none) {
                pass.outcome = readFailure(error);
                return pass;
            }
            at += got;
            const std::size_t size = kept + got;
            const std::size_t used = converter.convert(std::string_view(buffer.data(), size), got == 0 || at == end);
            kept = size - used;
            std::memmove(buffer.data(), buffer.data() + used, kept);
        }
        if (readError_ != ReadError::none) {
            pass.outcome = readFailure(readError_);
            return pass;
        }
        pass.refused = !converter.finish();
        pass.rows = converter.rows();
        pass.problems = counted.count;
        pass.end = markSize_ + converter.consumed();
        if (pass.problems > 0)
            pass.outcome = Outcome::tableProblems;
        return pass;
    }

    // A workbook's problems, and its records where a second reading needs them, kept from
    // its reading: the records in a file of the system's folder for temporary files, as
    // standard input is, so that they take no memory.
    struct Workbook {
        WorkbookRecords read;
        FileReader records;
        std::uint64_t size = 0;
        std::vector<TableProblem> problems;
        bool prefixFits = true;
    };

    class Kept final : public RecordSink, public ProblemSink {
    public:
        explicit Kept(Workbook& kept) noexcept : kept_(kept) {}
        bool write(std::string_view records) override {
            kept_.size += records.size();
            return kept_.records.append(records);
        }
        void problem(const TableProblem& found) override { kept_.problems.push_back(found); }

    private:
        Workbook& kept_;
    };

    // A workbook is read whole, as its reader needs it. Its records go straight on where it
    // is read once ("ersetzen"), and are kept for the second reading where there is one
    // ("erweitern", standard output), as the workbook's limit bounds them. Its problems are
    // told once the whole workbook is read, as a damaged part counts before them.
    Pass runWorkbook(RecordSink& records, ProblemSink& problems, const RecordsEncoding& encoding) {
        Pass pass;
        if (!bytesRead_) {
            if (const ReadError error = readWhole(bytes_); error != ReadError::none) {
                pass.outcome = readFailure(error);
                return pass;
            }
            bytesRead_ = true;
        }
        if (!parsed_) {
            const std::optional<std::string> prefix = prefixIn(encoding);
            // A name that is no Unicode text (a lone surrogate) is no sheet's: invalid UTF-8 matches none.
            const std::optional<std::string> sheetName =
                sheet_ ? utf8FromUtf16(*sheet_).value_or("\xFF") : std::optional<std::string>();
            kept_ = Workbook();
            // Where no such file can be made, the workbook is read again for the second time.
            const bool keep = readTwice_ && FileReader::scratch(kept_.records) == ReadError::none;
            Kept kept(kept_);
            NoRecords nowhere;
            RecordSink& into = keep ? static_cast<RecordSink&>(kept) : prefix ? records : nowhere;
            kept_.read = convertWorkbook(bytes_, prefix.value_or(""),
                                         encoding() == TextEncoding::utf8 ? nullptr : &codePage(), into, kept,
                                         sheetName);
            kept_.prefixFits = prefix.has_value();
            parsed_ = keep;
        }
        switch (kept_.read.read) {
        case WorkbookStatus::ok:
            break;
        case WorkbookStatus::oldFormat:
            pass.outcome = Outcome::oldWorkbook;
            return pass;
        case WorkbookStatus::unsupported:
            pass.outcome = Outcome::workbookUnsupported;
            return pass;
        case WorkbookStatus::tooLarge:
            pass.outcome = Outcome::workbookTooLarge;
            return pass;
        case WorkbookStatus::unknownSheet:
            pass.outcome = Outcome::unknownSheet;
            pass.worksheets = kept_.read.worksheets;
            return pass;
        case WorkbookStatus::notAWorkbook:
        case WorkbookStatus::damaged:
            pass.outcome = Outcome::workbookUnreadable;
            return pass;
        }
        // A prefix that the records cannot take first, then the workbook's own problems; in a
        // workbook of several worksheets each is named with its sheet.
        if (!kept_.prefixFits) {
            problems.problem(prefixProblem(encoding));
            ++pass.problems;
        }
        const std::vector<Worksheet>& sheets = kept_.read.worksheets;
        for (TableProblem problem : kept_.problems) {
            if (sheets.size() > 1)
                problem.sheet = sheets[kept_.read.sheet].name;
            problems.problem(problem);
        }
        pass.problems += kept_.problems.size();
        if (pass.problems > 0) {
            pass.outcome = Outcome::tableProblems;
            return pass;
        }
        // A sheet without a material, where the workbook has others, was left in front by
        // mistake (a cover sheet): nothing is written, rather than an empty material.ini.
        if (kept_.read.rows == 0 && sheets.size() > 1) {
            pass.outcome = Outcome::emptySheet;
            pass.sheet = utf16FromUtf8(sheets[kept_.read.sheet].name);
            return pass;
        }
        pass.refused = kept_.read.refused;
        if (parsed_ && records.wanted()) {
            std::string piece(tablePiece, '\0');
            for (std::uint64_t at = 0; at < kept_.size && !pass.refused;) {
                std::size_t got = 0;
                // Kept records that cannot be read back cannot be written either.
                pass.refused = kept_.records.read(at, piece.data(), piece.size(), got) != ReadError::none || got == 0 ||
                               !records.write(std::string_view(piece.data(), got));
                at += got;
            }
        }
        pass.rows = kept_.read.rows;
        return pass;
    }

    // Every byte of a workbook, which its reader needs whole, in a buffer of its size: a
    // byte more is asked for before the buffer grows, where the file has grown since.
    ReadError readWhole(std::string& all) {
        all.reserve(static_cast<std::size_t>(table_.size().value_or(0)));
        for (;;) {
            const std::size_t done = all.size();
            std::size_t got = 0;
            if (done == all.capacity()) {
                char more = 0;
                if (const ReadError error = table_.read(done, &more, 1, got); error != ReadError::none || got == 0)
                    return error;
                all.push_back(more);
                continue;
            }
            all.resize(all.capacity());
            const ReadError error = table_.read(done, all.data() + done, all.size() - done, got);
            all.resize(done + got);
            if (error != ReadError::none || got == 0)
                return error;
        }
    }

    Table& table_;
    std::u16string prefix_;
    SheetChoice sheet_;
    bool workbook_ = false;
    std::size_t markSize_ = 0;
    std::optional<TextEncoding> tableEncoding_;
    ReadError readError_ = ReadError::none;
    bool readTwice_ = false;
    bool bytesRead_ = false;
    bool parsed_ = false;  // the records are kept from a reading
    std::string bytes_;
    Workbook kept_;
};

FileConversion result(const Pass& pass, const Records& records) {
    FileConversion done = failed(pass.outcome);
    done.rows = pass.rows;
    done.problems = pass.problems;
    done.workbook = records.workbook();
    if (pass.outcome == Outcome::unknownSheet) {
        done.sheet = records.sheet().value_or(u"");
        done.worksheets = pass.worksheets;
    }
    if (pass.outcome == Outcome::emptySheet) {
        done.sheet = pass.sheet;
        done.sheetNamed = records.sheet().has_value();
    }
    return done;
}

FileConversion writeFailure(WriteError error, bool workbook) {
    FileConversion done = failed(Outcome::writeFailed);
    done.writeError = error;
    done.workbook = workbook;
    return done;
}

// What "erweitern" learns of the destination it holds: a byte-order mark, its last byte,
// and only where the records hold more than ASCII, its encoding from every byte.
class Destination {
public:
    explicit Destination(ExistingContent& existing) : existing_(existing) {
        const std::optional<std::uint64_t> size = existing.size();
        if (!size)
            return;  // one that may be written but not read gets ANSI records and nothing before them
        std::array<char, 3> first{};
        std::size_t got = 0;
        char last = '\n';
        std::size_t lastGot = 0;
        if (!existing.read(0, first.data(), first.size(), got) ||
            (*size > 0 && !existing.read(*size - 1, &last, 1, lastGot)))
            return;  // the append fails on the read
        start_ = appendingStart(std::string_view(first.data(), got), last, *size);
        scanned_ = start_.marked;
        readable_ = true;
    }

    // A read of it failed: the append fails with it.
    bool failed() const noexcept { return existing_.size() && !readable_; }
    bool utf16() const noexcept { return start_.marked == TextEncoding::utf16; }
    bool lineBreakFirst() const noexcept { return start_.lineBreakFirst; }

    TextEncoding encoding() {
        if (!scanned_) {
            EncodingDetector detector;
            std::string piece(tablePiece, '\0');
            for (std::uint64_t at = 0;;) {
                std::size_t got = 0;
                if (!existing_.read(at, piece.data(), piece.size(), got) || got == 0 ||
                    !detector.feed(std::string_view(piece.data(), got)))
                    break;
                at += got;
            }
            scanned_ = existing_.size() ? detector.result() : TextEncoding::ansi;
        }
        return *scanned_;
    }

private:
    ExistingContent& existing_;
    AppendingStart start_;
    std::optional<TextEncoding> scanned_;
    bool readable_ = false;
};

// What a write of the records came to: the table's problems first, also where the
// destination failed before the table was read, then the destination's failure.
FileConversion outcomeOf(Records& records, const Pass& pass, bool produced, WriteError written,
                         ProblemSink& problems) {
    if (pass.outcome != Outcome::ok)
        return result(pass, records);
    if (!produced && written != WriteError::none) {
        NoRecords nowhere;
        if (const Pass check = records.run(nowhere, problems, ansiRecords); check.outcome != Outcome::ok)
            return result(check, records);
    }
    if (written != WriteError::none)
        return writeFailure(written, records.workbook());
    return result(pass, records);
}

FileConversion replaceWith(Records& records, std::u16string_view destination, ProblemSink& problems,
                           Leftovers& cleared) {
    Pass pass;
    bool produced = false;
    const WriteError written = replaceFile(destination, [&](ContentSink& sink) {
        produced = true;
        RecordsInto into(sink, true);
        pass = records.run(into, problems, ansiRecords);
        pass.refused = !into.finish() || pass.refused;
        return pass.outcome == Outcome::ok && !pass.refused;
    }, &cleared);
    return outcomeOf(records, pass, produced, written, problems);
}

FileConversion appendTo(Records& records, std::u16string_view destination, ProblemSink& problems,
                        Leftovers& cleared) {
    Pass pass;
    bool produced = false;
    bool utf16 = false;
    const WriteError written = appendToFile(destination, [&](ExistingContent& existing, ContentSink& sink) {
        produced = true;
        Destination held(existing);
        if (held.failed() || (utf16 = held.utf16()))
            return false;
        const RecordsEncoding encoding = [&] { return held.encoding(); };
        // The whole table is known to be good before anything is added; an empty one adds
        // nothing, not even a line break.
        NoRecords nowhere;
        pass = records.run(nowhere, problems, encoding);
        if (pass.outcome != Outcome::ok || pass.rows == 0)
            return pass.outcome == Outcome::ok;
        if (held.lineBreakFirst() && !sink.write("\r\n"))
            return false;
        RecordsInto into(sink, !records.workbook());
        pass = records.run(into, problems, encoding, pass.end);
        pass.refused = !into.finish() || pass.refused;
        return pass.outcome == Outcome::ok && !pass.refused;
    }, &cleared);
    if (utf16)
        return failed(Outcome::utf16Destination);
    return outcomeOf(records, pass, produced, written, problems);
}

}  // namespace

OpenedTable openTable(std::u16string_view source) {
    FileReader file;
    if (const ReadError error = FileReader::open(source, file); error != ReadError::none)
        return {readFailure(error), nullptr};
    return {Outcome::ok, std::make_unique<FileTable>(std::move(file))};
}

std::unique_ptr<Table> tableOf(std::string_view bytes) {
    return std::make_unique<BytesTable>(bytes);
}

std::unique_ptr<Table> tableOf(FileReader file) {
    return std::make_unique<FileTable>(std::move(file));
}

FileConversion convertTableToFile(Table& table, std::u16string_view destination, std::u16string_view prefix,
                                  WriteMode mode, ProblemSink& problems, SheetChoice sheet) try {
    Records records(table, prefix, sheet);
    if (const Outcome opened = records.open(); opened != Outcome::ok)
        return failed(opened);
    // What an earlier conversion that ended early left is cleared first, and told.
    Leftovers cleared;
    if (mode == WriteMode::append)
        records.readTwice();  // once to check every row, once to append
    FileConversion done = mode == WriteMode::overwrite ? replaceWith(records, destination, problems, cleared)
                                                       : appendTo(records, destination, problems, cleared);
    done.leftovers = std::move(cleared);
    return done;
} catch (const std::bad_alloc&) {
    return failed(Outcome::outOfMemory);
}

FileConversion convertFile(std::u16string_view source, std::u16string_view destination, std::u16string_view prefix,
                           WriteMode mode, ProblemSink& problems) {
    const OpenedTable opened = openTable(source);
    if (!opened.table)
        return failed(opened.outcome);
    return convertTableToFile(*opened.table, destination, prefix, mode, problems);
}

FileConversion convertTableTo(Table& table, ContentSink& sink, std::u16string_view prefix, ProblemSink& problems,
                              SheetChoice sheet) try {
    Records records(table, prefix, sheet);
    if (const Outcome opened = records.open(); opened != Outcome::ok)
        return failed(opened);
    records.readTwice();  // once to check every row, once to write
    NoRecords nowhere;
    Pass pass = records.run(nowhere, problems, ansiRecords);
    if (pass.outcome == Outcome::ok && pass.rows > 0) {
        RecordsInto into(sink, !records.workbook());
        pass = records.run(into, problems, ansiRecords, pass.end);
        pass.refused = !into.finish() || pass.refused;
    }
    if (pass.refused)
        return writeFailure(WriteError::cannotWrite, records.workbook());
    return result(pass, records);
} catch (const std::bad_alloc&) {
    return failed(Outcome::outOfMemory);
}

FileConversion checkTable(Table& table, std::u16string_view prefix, ProblemSink& problems, SheetChoice sheet) try {
    Records records(table, prefix, sheet);
    if (const Outcome opened = records.open(); opened != Outcome::ok)
        return failed(opened);
    NoRecords nowhere;
    return result(records.run(nowhere, problems, ansiRecords), records);
} catch (const std::bad_alloc&) {
    return failed(Outcome::outOfMemory);
}

}  // namespace brisel
