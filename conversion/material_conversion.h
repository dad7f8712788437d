// Turns a CSV table of material data into material.ini records, a piece of the table at a
// time; bytes in, bytes out. Every problem of the table is found in one pass, in the
// order of its rows.
#pragma once

#include "base/byte_buffer.h"

#include "conversion/text_encoding.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

// A data row needs fields 0 to 5; further fields are ignored.
inline constexpr std::size_t minimumFieldCount = 6;

// What keeps one row of a table from becoming a record.
struct TableProblem {
    enum class Kind {
        tooFewFields,     // fewer than six fields (cells)
        unrepresentable,  // a character that the records' encoding cannot hold
        errorValue,       // a workbook's cell that holds an error value
        lineBreak,        // a workbook's cell that holds a line break
        withoutResult,    // a workbook's formula whose result the file does not hold
        prefixUnrepresentable,  // a character of the prefix that the records' encoding cannot hold; no row's
    };

    Kind kind = Kind::tooFewFields;
    std::size_t line = 0;        // the row, as the table counts its lines or the sheet its rows
    std::size_t field = 0;       // all but tooFewFields: the field (the column), from 1
    std::size_t fieldCount = 0;  // tooFewFields: the row's fields
    char32_t character = 0;      // unrepresentable: which; noCharacter for bytes that are no UTF-8
    std::string errorValue{};    // errorValue: as the German Excel shows it, e.g. "#WERT!"
    bool cell = false;           // a workbook's cell, named by its column's letters
    std::string sheet{};         // a workbook of several worksheets: the sheet's name, UTF-8

    bool operator==(const TableProblem&) const = default;
};

// Takes the problems of a table in the order of its rows, and within a row in the order of
// its fields, its field count last.
class ProblemSink {
public:
    virtual ~ProblemSink() = default;
    virtual void problem(const TableProblem& found) = 0;
};

// Takes the records, a piece at a time, in order. Nothing is given to it once a problem has
// been found.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    // False stops the conversion: the records cannot go where they are to go.
    [[nodiscard]] virtual bool write(std::string_view records) = 0;
    // False where the records go nowhere, and the table is only checked: then none are made.
    [[nodiscard]] virtual bool wanted() const noexcept { return true; }
};

// How far from a field's start RecordWriter reads it where it may (two blocks of 16 bytes).
inline constexpr std::size_t fieldReadAhead = 32;

// The records of rows, written into a buffer of a bounded size that is handed to a sink
// whenever the next record might not fit.
class RecordWriter {
public:
    // `prefix` in the records' encoding; the buffer holds `bufferSize` bytes, or a record
    // larger than that.
    RecordWriter(std::string_view prefix, RecordSink& sink, std::size_t bufferSize = std::size_t{1} << 20);

    // Adds the record of a row's first six fields; `readable` says that each field may be
    // read `fieldReadAhead` bytes from its start, else they are read up to `tableEnd` at
    // most. False where the sink refused earlier records. Throws std::bad_alloc.
    template <bool readable>
    bool add(const std::array<std::string_view, minimumFieldCount>& fields, const char* tableEnd = nullptr);
    // Hands on what is written; false where the sink refuses it.
    [[nodiscard]] bool flush();
    // Whether the sink has refused a piece.
    [[nodiscard]] bool refused() const noexcept { return refused_; }
    std::size_t prefixSize() const noexcept { return prefixSize_; }

private:
    char* room(std::size_t needed);

    RecordSink& sink_;
    std::size_t bufferSize_;
    ByteBuffer buffer_;
    std::size_t size_ = 0;
    std::string paddedPrefix_;
    std::size_t prefixSize_;
    bool refused_ = false;
};

// Reads a table (a header line that is never interpreted, then data rows up to the end of
// the input or the first empty line) a piece at a time and hands one three-line record per
// data row to a sink, with the prefix in front of every material name. A line ends at
// CR LF, a lone CR or a lone LF. Every problem goes to the problem sink; once there is
// one, no more records are written.
class TableConverter {
public:
    // The fields of a row go into its record as `encodings` says, asked for the first time
    // where a row's first six fields hold a byte from 0x80 on: until then every reading of
    // the table gives the same records. `prefix` is in the records' encoding.
    TableConverter(std::string_view prefix, FieldEncodings& encodings, RecordSink& records, ProblemSink& problems);

    // Converts the lines at the start of `text` that it holds whole, or with `last` every
    // line, and returns how many bytes it took; the rest is to be given again, with the
    // bytes that follow it. A header line is taken in any piece. Throws std::bad_alloc.
    std::size_t convert(std::string_view text, bool last);
    // Hands on the last records; false where the sink refused them.
    [[nodiscard]] bool finish();

    // The table has ended: its first empty line was read, or the last piece.
    bool ended() const noexcept { return ended_; }
    // The data rows read so far.
    std::size_t rows() const noexcept { return rows_; }
    // Whether a problem was found.
    bool failed() const noexcept { return failed_; }
    // The bytes read so far, up to the end of the table's last row.
    std::size_t consumed() const noexcept { return consumed_; }

private:
    enum class Header { unread, skipping, afterCarriageReturn, read };

    std::size_t skipHeader(std::string_view text, bool last);
    // False where the sink refused the records.
    bool convertRow(std::string_view text, std::size_t start, const std::array<std::size_t, minimumFieldCount>& ends,
                    std::size_t fieldCount, bool shortLine, bool high);
    const FieldEncoding& encoding();

    FieldEncodings& encodings_;
    std::optional<FieldEncoding> encoding_;
    ProblemSink& problems_;
    RecordWriter writer_;
    bool recordsWanted_;
    Header header_ = Header::unread;
    std::size_t line_ = 1;  // the line last read
    std::size_t rows_ = 0;
    std::size_t consumed_ = 0;
    bool ended_ = false;
    bool failed_ = false;
    std::string row_;  // room for a row's fields in the records' encoding, and to read past the last
};

// The records of a whole table in memory, its fields in `encoding` (by default the bytes as
// they are): for tests, benchmarks and the fuzzer. `piece` cuts the table into pieces of
// that size, as a file is read.
struct ConversionResult {
    std::string records;  // empty where there is a problem
    std::size_t rows = 0;
    std::vector<TableProblem> problems;
};
[[nodiscard]] ConversionResult convertTable(std::string_view table, std::string_view prefix, FieldEncoding encoding = {},
                                            std::size_t piece = std::string_view::npos);

}  // namespace brisel
