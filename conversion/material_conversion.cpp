// The table reader and record writer behind "Konvertieren".
//
// One pass over the table. A row that ends within 64 bytes (the usual row) is cut with bit
// masks of its separators and line ends; any other line is read a byte at a time. Each
// record is assembled straight into one output buffer that is sized up front from the
// number of lines. Short fields are copied as whole 16-byte blocks; the buffer's padding
// takes what a block writes past the field.
#include "conversion/material_conversion.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define BRISEL_SSE2 1
#endif

namespace brisel {
namespace {

constexpr std::size_t blockSize = 16;

// Every record adds these bytes to its six fields and the prefix:
// "MAT=" "," CR LF "-XHATCH=" ", " ", " CR LF "-KG_P_L=" CR LF.
constexpr std::size_t recordOverhead = 31;

// Where a line's first six fields end, where the line ends and where the next one starts.
struct Line {
    std::array<std::size_t, minimumFieldCount> fieldEnd{};  // the first min(fieldCount, 6)
    std::size_t fieldCount = 0;  // exact below six; from six on it counts no further
    std::size_t end = 0;         // the line end's position, or the table's size
    std::size_t next = 0;        // where the next line starts, or the table's size
};

std::size_t lineAfter(std::string_view table, std::size_t end) noexcept {
    if (end == table.size())
        return end;
    return end + ((table[end] == '\r' && end + 1 < table.size() && table[end + 1] == '\n') ? 2 : 1);
}

// Any line, a byte at a time.
Line readLine(std::string_view table, std::size_t start) noexcept {
    Line line;
    std::size_t at = start;
    for (; at < table.size() && table[at] != '\r' && table[at] != '\n'; ++at) {
        if (table[at] != ';')
            continue;
        if (line.fieldCount < minimumFieldCount)
            line.fieldEnd[line.fieldCount] = at;
        ++line.fieldCount;
    }
    if (line.fieldCount < minimumFieldCount)
        line.fieldEnd[line.fieldCount] = at;
    ++line.fieldCount;
    line.end = at;
    line.next = lineAfter(table, at);
    return line;
}

#ifdef BRISEL_SSE2
constexpr std::size_t windowSize = 64;

// Bit masks of the 64 bytes at `p`: which are ";" and which are CR or LF.
struct WindowMasks {
    std::uint64_t separators = 0;
    std::uint64_t lineEnds = 0;
};

WindowMasks scanWindow(const char* p) noexcept {
    const __m128i semicolon = _mm_set1_epi8(';');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    WindowMasks masks;
    for (std::size_t i = 0; i < windowSize / blockSize; ++i) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i * blockSize));
        const auto separators = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, semicolon)));
        const auto lineEnds = static_cast<std::uint32_t>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf))));
        masks.separators |= std::uint64_t{separators} << (i * blockSize);
        masks.lineEnds |= std::uint64_t{lineEnds} << (i * blockSize);
    }
    return masks;
}

// The usual line: it ends within 64 bytes, has six fields or more and is not among the
// table's last bytes. Then the line's separators come from bit masks of the whole window
// at once, and two blocks can be read from each field's start; otherwise false, and the
// line is left to readLine.
bool readShortLine(std::string_view table, std::size_t start, Line& line) noexcept {
    if (start + windowSize + 2 * blockSize > table.size())
        return false;
    const WindowMasks masks = scanWindow(table.data() + start);
    if (masks.lineEnds == 0)
        return false;
    const auto end = static_cast<std::size_t>(std::countr_zero(masks.lineEnds));
    std::uint64_t separators = masks.separators & ((std::uint64_t{1} << end) - 1);
    for (std::size_t i = 0; i + 1 < minimumFieldCount; ++i) {
        if (separators == 0)
            return false;
        line.fieldEnd[i] = start + static_cast<std::size_t>(std::countr_zero(separators));
        separators &= separators - 1;
    }
    line.fieldEnd[minimumFieldCount - 1] =
        start + (separators == 0 ? end : static_cast<std::size_t>(std::countr_zero(separators)));
    line.fieldCount = minimumFieldCount;
    line.end = start + end;
    line.next = lineAfter(table, line.end);
    return true;
}
#else
bool readShortLine(std::string_view, std::size_t, Line&) noexcept {
    return false;
}
#endif

// An upper bound for the rows: every line ends in a CR, an LF or both. A table with CR LF
// is counted twice; the buffer's untouched pages cost no memory.
std::size_t countLineEndBytes(std::string_view text) noexcept {
    std::size_t count = 1;
    std::size_t i = 0;
#ifdef BRISEL_SSE2
    // Each byte lane counts up to 255 blocks, then the lanes are summed.
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    while (i + blockSize <= text.size()) {
        __m128i counts = _mm_setzero_si128();
        for (int round = 0; round < 255 && i + blockSize <= text.size(); ++round, i += blockSize) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
            // A match is 0xFF, so subtracting it adds one.
            counts = _mm_sub_epi8(counts, _mm_or_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(bytes, cr)));
        }
        const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
        count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
    }
#endif
    for (; i < text.size(); ++i)
        count += text[i] == '\n' || text[i] == '\r';
    return count;
}

// The prefix with a block of padding, so a short one is copied as one block.
std::string padded(std::string_view prefix) {
    std::string text(prefix);
    text.resize(prefix.size() + blockSize);
    return text;
}

// Writes records into a buffer that has at least two blocks of slack at its end.
class RecordWriter {
public:
    // `paddedPrefix` as padded() makes it, `prefixSize` long without the padding.
    RecordWriter(char* out, std::string_view table, std::string_view paddedPrefix, std::size_t prefixSize)
        : out_(out), tableEnd_(table.data() + table.size()), paddedPrefix_(paddedPrefix), prefixSize_(prefixSize) {}

    // With `readable`, the table goes on for at least two blocks after each field's start.
    template <bool readable>
    void write(std::string_view name, std::string_view density, std::string_view number, std::string_view hatch1,
               std::string_view hatch2, std::string_view hatch3) noexcept {
        put("MAT=", 4);
        put<readable>(number);
        put(",", 1);
        putPrefix();
        put<readable>(name);
        put("\r\n-XHATCH=", 10);
        put<readable>(hatch1);
        put(", ", 2);
        put<readable>(hatch2);
        put(", ", 2);
        put<readable>(hatch3);
        put("\r\n-KG_P_L=", 10);
        putDensity<readable>(density);
        put("\r\n", 2);
    }

    char* end() const noexcept { return out_; }

private:
    // Constants: the literal is shorter than a block, so they are copied exactly.
    void put(const char* text, std::size_t size) noexcept {
        std::memcpy(out_, text, size);
        out_ += size;
    }

    // A field of the table: one or two block copies when it is short and the table goes on
    // far enough to read them whole; the slack behind the write position takes the rest.
    template <bool readable>
    void put(std::string_view field) noexcept {
        if (field.size() <= 2 * blockSize && (readable || field.data() + 2 * blockSize <= tableEnd_)) {
            std::memcpy(out_, field.data(), blockSize);
            if (field.size() > blockSize)
                std::memcpy(out_ + blockSize, field.data() + blockSize, blockSize);
        } else {
            std::memcpy(out_, field.data(), field.size());
        }
        out_ += field.size();
    }

    // The density is written with a decimal point: only its first comma changes. The comma
    // is looked for in the table, not in the bytes just written.
    template <bool readable>
    void putDensity(std::string_view density) noexcept {
        char* const written = out_;
        put<readable>(density);
#ifdef BRISEL_SSE2
        if (density.size() <= blockSize && (readable || density.data() + blockSize <= tableEnd_)) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(density.data()));
            const auto commas = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(','))));
            const std::uint32_t inField = commas & ((std::uint32_t{1} << density.size()) - 1);
            if (inField != 0)
                written[std::countr_zero(inField)] = '.';
            return;
        }
#endif
        if (const std::size_t comma = density.find(','); comma != std::string_view::npos)
            written[comma] = '.';
    }

    void putPrefix() noexcept {
        std::memcpy(out_, paddedPrefix_.data(), prefixSize_ <= blockSize ? blockSize : prefixSize_);
        out_ += prefixSize_;
    }

    char* out_;
    const char* tableEnd_;
    std::string_view paddedPrefix_;
    std::size_t prefixSize_;
};

}  // namespace

ConversionResult convertTable(std::string_view table, std::string_view prefix) {
    ConversionResult result;
    // The header is skipped unread; an empty first line or an empty table has no rows.
    const Line header = readLine(table, 0);
    if (header.end == 0)
        return result;

    const std::size_t rowsAtMost = countLineEndBytes(table.substr(header.next));
    const std::size_t capacity =
        (table.size() - header.next) + rowsAtMost * (recordOverhead + prefix.size()) + 2 * blockSize;
    result.buffer_ = ByteBuffer(capacity);
    const std::string paddedPrefix = padded(prefix);
    RecordWriter writer(result.buffer_.data(), table, paddedPrefix, prefix.size());

    std::size_t lineNumber = 1;
    for (std::size_t start = header.next; start < table.size();) {
        ++lineNumber;
        Line line;
        const bool shortLine = readShortLine(table, start, line);
        if (!shortLine)
            line = readLine(table, start);
        if (line.end == start)
            break;  // the first empty line ends the table
        if (line.fieldCount < minimumFieldCount) {
            ConversionResult failure;
            failure.status = ConversionResult::Status::tooFewFields;
            failure.line = lineNumber;
            failure.fieldCount = line.fieldCount;
            return failure;
        }
        const auto field = [&](std::size_t i) {
            const std::size_t begin = i == 0 ? start : line.fieldEnd[i - 1] + 1;
            return std::string_view(table.data() + begin, line.fieldEnd[i] - begin);
        };
        if (shortLine)
            writer.write<true>(field(0), field(1), field(2), field(3), field(4), field(5));
        else
            writer.write<false>(field(0), field(1), field(2), field(3), field(4), field(5));
        ++result.rows;
        start = line.next;
    }
    result.buffer_.setSize(static_cast<std::size_t>(writer.end() - result.buffer_.data()));
    return result;
}

RecordBuilder::RecordBuilder(std::string_view prefix) : paddedPrefix_(padded(prefix)), prefixSize_(prefix.size()) {}

void RecordBuilder::add(const std::array<std::string_view, minimumFieldCount>& fields) {
    // The fields are copied behind one another with two blocks after the last, so that the
    // writer may read two blocks from each field's start, as in a table.
    std::array<std::size_t, minimumFieldCount + 1> starts{};
    row_.clear();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        starts[i] = row_.size();
        row_ += fields[i];
    }
    starts[fields.size()] = row_.size();
    row_.append(2 * blockSize, '\0');
    const auto field = [&](std::size_t i) { return std::string_view(row_).substr(starts[i], starts[i + 1] - starts[i]); };

    const std::size_t needed = size_ + starts.back() + recordOverhead + prefixSize_ + 2 * blockSize;
    if (needed > buffer_.capacity()) {
        ByteBuffer larger(std::max({needed, 2 * buffer_.capacity(), std::size_t{1} << 16}));
        if (size_ > 0)
            std::memcpy(larger.data(), buffer_.data(), size_);
        buffer_ = std::move(larger);
    }
    RecordWriter writer(buffer_.data() + size_, {}, paddedPrefix_, prefixSize_);
    writer.write<true>(field(0), field(1), field(2), field(3), field(4), field(5));
    size_ = static_cast<std::size_t>(writer.end() - buffer_.data());
    ++rows_;
}

ConversionResult RecordBuilder::finish() {
    ConversionResult result;
    buffer_.setSize(size_);
    result.buffer_ = std::move(buffer_);
    result.rows = rows_;
    buffer_ = ByteBuffer();
    size_ = 0;
    rows_ = 0;
    return result;
}

}  // namespace brisel
