// Turns a CSV table of material data into material.ini records; bytes in, bytes out.
#pragma once

#include "base/byte_buffer.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace brisel {

// A data row needs fields 0 to 5; further fields are ignored.
inline constexpr std::size_t minimumFieldCount = 6;

class ConversionResult {
public:
    enum class Status { ok, tooFewFields };

    Status status = Status::ok;
    std::size_t rows = 0;        // ok: the data rows converted
    std::size_t line = 0;        // tooFewFields: the row's line number in the source, from 1
    std::size_t fieldCount = 0;  // tooFewFields: how many fields that row has

    // ok: every record, each line ended by CR LF; empty otherwise.
    std::string_view records() const noexcept { return buffer_.view(); }

private:
    friend ConversionResult convertTable(std::string_view, std::string_view);
    friend class RecordBuilder;
    ByteBuffer buffer_;
};

// Reads `table` (a header line that is never interpreted, then data rows up to the end of
// the input or the first empty line) and builds one three-line record per data row, with
// `prefix` in front of every material name. A line ends at CR LF, a lone CR or a lone LF.
// A row of fewer than six fields fails the whole table. Throws std::bad_alloc when the
// records do not fit in memory.
[[nodiscard]] ConversionResult convertTable(std::string_view table, std::string_view prefix);

// The same records for rows handed on one at a time, as a workbook's sheet is read. Which
// rows are data rows, and whether a row has its six fields, the caller has decided.
class RecordBuilder {
public:
    explicit RecordBuilder(std::string_view prefix);

    // Adds the record of a row's first six fields. Throws std::bad_alloc.
    void add(const std::array<std::string_view, minimumFieldCount>& fields);
    // The bytes of the records so far.
    [[nodiscard]] std::size_t size() const noexcept { return size_; }
    // Every record, as convertTable gives them; the builder starts anew.
    [[nodiscard]] ConversionResult finish();

private:
    ByteBuffer buffer_;
    std::size_t size_ = 0;
    std::size_t rows_ = 0;
    std::string paddedPrefix_;
    std::size_t prefixSize_;
    std::string row_;  // the row's fields one after another, with room to read past the last
};

}  // namespace brisel
