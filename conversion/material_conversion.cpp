// The table reader and record writer behind "Konvertieren".
//
// One pass over the table, a piece at a time. A row that ends within 64 bytes (the usual
// row) is cut with bit masks of its separators, line ends and bytes from 0x80 on; any
// other line is read a byte at a time. A row whose first six fields are ASCII, or whose
// bytes go into the records as they are, is assembled straight into the output buffer;
// only the others go through the field encoding first. Short fields are copied as whole
// 16-byte blocks; the buffer's slack takes what a block writes past the field. The buffer
// is handed on whenever the next record might not fit, so its size stays bounded.
#include "conversion/material_conversion.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define BRISEL_SSE2 1
#endif

namespace brisel {
namespace {

constexpr std::size_t blockSize = 16;
static_assert(fieldReadAhead == 2 * blockSize, "what a readable field must allow");

// Every record adds these bytes to its six fields and the prefix:
// "MAT=" "," CR LF "-XHATCH=" ", " ", " CR LF "-KG_P_L=" CR LF.
constexpr std::size_t recordOverhead = 31;

// Where a line's first six fields end, where the line ends and where the next one starts.
struct Line {
    std::array<std::size_t, minimumFieldCount> fieldEnd{};  // the first min(fieldCount, 6)
    std::size_t fieldCount = 0;  // exact below six; from six on it counts no further
    std::size_t end = 0;         // the line end's position, or the table's size
    std::size_t next = 0;        // where the next line starts, or the table's size
    bool high = false;           // a byte from 0x80 on in the first six fields
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
        if (static_cast<unsigned char>(table[at]) >= 0x80 && line.fieldCount < minimumFieldCount)
            line.high = true;
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

// Bit masks of the 64 bytes at `p`: which are ";", which are CR or LF, and which are from
// 0x80 on.
struct WindowMasks {
    std::uint64_t separators = 0;
    std::uint64_t lineEnds = 0;
    std::uint64_t high = 0;
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
        const auto high = static_cast<std::uint32_t>(_mm_movemask_epi8(bytes));
        masks.separators |= std::uint64_t{separators} << (i * blockSize);
        masks.lineEnds |= std::uint64_t{lineEnds} << (i * blockSize);
        masks.high |= std::uint64_t{high} << (i * blockSize);
    }
    return masks;
}

// The masks of the 64 bytes from `start` and where the line that starts there ends in them,
// for a line that ends within them and is not among the table's last bytes (two blocks
// after each field's start may be read).
bool windowOfLine(std::string_view table, std::size_t start, WindowMasks& masks, std::size_t& end) noexcept {
    if (start + windowSize + 2 * blockSize > table.size())
        return false;
    masks = scanWindow(table.data() + start);
    if (masks.lineEnds == 0)
        return false;
    end = static_cast<std::size_t>(std::countr_zero(masks.lineEnds));
    return true;
}

// The usual line: it ends within 64 bytes, has six fields or more and is not among the
// table's last bytes. Then the line's separators come from bit masks of the whole window
// at once, and two blocks can be read from each field's start; otherwise false, and the
// line is left to readLine.
bool readShortLine(std::string_view table, std::size_t start, Line& line) noexcept {
    WindowMasks masks;
    std::size_t end = 0;
    if (!windowOfLine(table, start, masks, end))
        return false;
    std::uint64_t separators = masks.separators & ((std::uint64_t{1} << end) - 1);
    for (std::size_t i = 0; i + 1 < minimumFieldCount; ++i) {
        if (separators == 0)
            return false;
        line.fieldEnd[i] = start + static_cast<std::size_t>(std::countr_zero(separators));
        separators &= separators - 1;
    }
    const auto sixthEnd = separators == 0 ? end : static_cast<std::size_t>(std::countr_zero(separators));
    line.fieldEnd[minimumFieldCount - 1] = start + sixthEnd;
    line.high = (masks.high & ((std::uint64_t{1} << sixthEnd) - 1)) != 0;
    line.fieldCount = minimumFieldCount;
    line.end = start + end;
    line.next = lineAfter(table, line.end);
    return true;
}

// The usual line when no record is made of it, only checked: where it ends and that it has
// six fields, told by counting its separators. A line that holds a byte from 0x80 on
// before its line end, or has fewer than six fields, is left to readShortLine and readLine.
bool checkShortLine(std::string_view table, std::size_t start, Line& line) noexcept {
    WindowMasks masks;
    std::size_t end = 0;
    if (!windowOfLine(table, start, masks, end))
        return false;
    const std::uint64_t before = (std::uint64_t{1} << end) - 1;
    if ((masks.high & before) != 0 || static_cast<std::size_t>(std::popcount(masks.separators & before)) + 1 < minimumFieldCount)
        return false;
    line.fieldCount = minimumFieldCount;
    line.end = start + end;
    line.next = lineAfter(table, line.end);
    return true;
}
#else
bool checkShortLine(std::string_view, std::size_t, Line&) noexcept {
    return false;
}

bool readShortLine(std::string_view, std::size_t, Line&) noexcept {
    return false;
}
#endif

// The prefix with a block of padding, so a short one is copied as one block.
std::string padded(std::string_view prefix) {
    std::string text(prefix);
    text.resize(prefix.size() + blockSize);
    return text;
}

// Writes records into a buffer that has at least two blocks of slack after them.
class BlockWriter {
public:
    // `paddedPrefix` as padded() makes it, `prefixSize` long without the padding; the
    // fields are read up to `tableEnd` at most, unless they may be read further.
    BlockWriter(char* out, const char* tableEnd, std::string_view paddedPrefix, std::size_t prefixSize)
        : out_(out), tableEnd_(tableEnd), paddedPrefix_(paddedPrefix), prefixSize_(prefixSize) {}

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

// The bytes a record of these fields takes at most in the buffer, slack included.
std::size_t recordRoom(const std::array<std::string_view, minimumFieldCount>& fields, std::size_t prefixSize) noexcept {
    std::size_t bytes = recordOverhead + prefixSize + 2 * blockSize;
    for (const std::string_view field : fields)
        bytes += field.size();
    return bytes;
}

// The output buffer's size: large enough that handing it on costs little, small enough
// that the records of any table take no more memory than this.
constexpr std::size_t recordBuffer = std::size_t{1} << 20;

// Lines that end in a lone CR may go on with an LF in the next piece.
bool endsOpen(std::string_view text, std::size_t end) noexcept {
    return end == text.size() || (text[end] == '\r' && end + 1 == text.size());
}

// The first `count` fields of a row that starts at `start`, from where they end.
std::array<std::string_view, minimumFieldCount> rowFields(std::string_view text, std::size_t start,
                                                          const std::array<std::size_t, minimumFieldCount>& ends,
                                                          std::size_t count = minimumFieldCount) noexcept {
    std::array<std::string_view, minimumFieldCount> fields{};
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t begin = i == 0 ? start : ends[i - 1] + 1;
        fields[i] = std::string_view(text.data() + begin, ends[i] - begin);
    }
    return fields;
}

// Records and problems kept in memory.
class KeptRecords final : public RecordSink, public ProblemSink {
public:
    explicit KeptRecords(ConversionResult& result) : result_(result) {}
    bool write(std::string_view records) override {
        result_.records += records;
        return true;
    }
    void problem(const TableProblem& found) override { result_.problems.push_back(found); }

private:
    ConversionResult& result_;
};

}  // namespace

RecordWriter::RecordWriter(std::string_view prefix, RecordSink& sink, std::size_t bufferSize)
    : sink_(sink), bufferSize_(bufferSize), paddedPrefix_(padded(prefix)), prefixSize_(prefix.size()) {}

char* RecordWriter::room(std::size_t needed) {
    if (size_ + needed > buffer_.capacity()) {
        if (!flush())
            return nullptr;
        if (needed > buffer_.capacity())
            buffer_ = ByteBuffer(std::max(needed, bufferSize_));
    }
    return buffer_.data() + size_;
}

template <bool readable>
bool RecordWriter::add(const std::array<std::string_view, minimumFieldCount>& fields, const char* tableEnd) {
    char* const out = refused_ ? nullptr : room(recordRoom(fields, prefixSize_));
    if (out == nullptr)
        return false;
    BlockWriter writer(out, tableEnd, paddedPrefix_, prefixSize_);
    writer.write<readable>(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]);
    size_ = static_cast<std::size_t>(writer.end() - buffer_.data());
    return true;
}

template bool RecordWriter::add<true>(const std::array<std::string_view, minimumFieldCount>&, const char*);
template bool RecordWriter::add<false>(const std::array<std::string_view, minimumFieldCount>&, const char*);

bool RecordWriter::flush() {
    if (refused_)
        return false;
    if (size_ > 0 && !sink_.write(std::string_view(buffer_.data(), size_)))
        refused_ = true;
    size_ = 0;
    return !refused_;
}

TableConverter::TableConverter(std::string_view prefix, FieldEncodings& encodings, RecordSink& records,
                               ProblemSink& problems)
    : encodings_(encodings), problems_(problems), writer_(prefix, records), recordsWanted_(records.wanted()) {}

const FieldEncoding& TableConverter::encoding() {
    if (!encoding_)
        encoding_ = encodings_.encoding();
    return *encoding_;
}

std::size_t TableConverter::skipHeader(std::string_view text, bool last) {
    if (header_ == Header::afterCarriageReturn && !text.empty()) {
        header_ = Header::read;
        return text.front() == '\n' ? 1 : 0;
    }
    if (header_ == Header::unread && !text.empty()) {
        // An empty first line ends the table before its rows.
        if (text.front() == '\r' || text.front() == '\n') {
            ended_ = true;
            return 0;
        }
        header_ = Header::skipping;
    }
    if (header_ == Header::skipping) {
        const std::size_t end = text.find_first_of("\r\n");
        if (end == std::string_view::npos) {
            ended_ = last;
            return text.size();  // the header is never kept, however long it is
        }
        if (text[end] == '\r' && end + 1 == text.size()) {
            header_ = Header::afterCarriageReturn;
            ended_ = last;
            return text.size();
        }
        header_ = Header::read;
        return end + (text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
    }
    ended_ = last;
    return 0;
}

std::size_t TableConverter::convert(std::string_view text, bool last) {
    std::size_t start = 0;
    if (header_ != Header::read)
        start = skipHeader(text, last);
    while (header_ == Header::read && !ended_ && start < text.size()) {
        Line line;
        // Where no record is made, the usual line needs only its separators counted.
        if (!recordsWanted_ && checkShortLine(text, start, line)) {
            ++line_;
            ++rows_;
            start = line.next;
            continue;
        }
        const bool shortLine = readShortLine(text, start, line);
        if (shortLine && !line.high) {
            // The usual line: its record straight into the buffer.
            ++line_;
            ++rows_;
            if (!failed_ && recordsWanted_ && !writer_.add<true>(rowFields(text, start, line.fieldEnd)))
                ended_ = true;  // the records cannot be written: nothing more to read
            start = line.next;
            continue;
        }
        if (!shortLine) {
            line = readLine(text, start);
            if (!last && endsOpen(text, line.end))
                break;  // the line goes on in the next piece
        }
        ++line_;
        if (line.end == start) {
            ended_ = true;  // the first empty line ends the table
            start = line.next;
            break;
        }
        if (!convertRow(text, start, line.fieldEnd, line.fieldCount, shortLine, line.high))
            ended_ = true;  // the records cannot be written: nothing more to read
        ++rows_;
        start = line.next;
    }
    if (last)
        ended_ = true;
    consumed_ += start;
    return start;
}

bool TableConverter::convertRow(std::string_view text, std::size_t start,
                                const std::array<std::size_t, minimumFieldCount>& ends, std::size_t fieldCount,
                                bool shortLine, bool high) {
    const std::size_t fields = std::min(fieldCount, minimumFieldCount);
    std::array<std::string_view, minimumFieldCount> views = rowFields(text, start, ends, fields);
    const auto tooFew = [&] {
        TableProblem problem;
        problem.line = line_;
        problem.fieldCount = fieldCount;
        problems_.problem(problem);
        failed_ = true;
    };
    if (!high || encoding().asItIs()) {
        if (fieldCount < minimumFieldCount)
            tooFew();
        if (failed_ || !recordsWanted_)
            return true;
        return shortLine ? writer_.add<true>(views) : writer_.add<false>(views, text.data() + text.size());
    }

    // The fields in the records' encoding, one after another with two blocks after the
    // last, so that the writer may read two blocks from each field's start.
    const FieldEncoding& into = encoding();
    std::size_t room = 2 * blockSize;
    for (std::size_t i = 0; i < fields; ++i)
        room += into.room(views[i].size());
    if (row_.size() < room)
        row_.resize(std::max(room, 2 * row_.size()));
    std::array<const char*, minimumFieldCount + 1> starts{};
    char* out = row_.data();
    bool fit = true;
    for (std::size_t i = 0; i < fields; ++i) {
        starts[i] = out;
        // Most fields of such a row are ASCII (the numbers): copied as they are.
        const std::string_view field = views[i];
        if (std::all_of(field.begin(), field.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
            std::memcpy(out, field.data(), field.size());
            out += field.size();
            continue;
        }
        char32_t unfit = 0;
        if (char* const end = into.encode(field, out, unfit)) {
            out = end;
            continue;
        }
        TableProblem problem;
        problem.kind = TableProblem::Kind::unrepresentable;
        problem.line = line_;
        problem.field = i + 1;
        problem.character = unfit;
        problems_.problem(problem);
        failed_ = true;
        fit = false;
    }
    if (fieldCount < minimumFieldCount)
        tooFew();
    if (!fit || failed_ || !recordsWanted_)
        return true;
    starts[fields] = out;
    for (std::size_t i = 0; i < fields; ++i)
        views[i] = std::string_view(starts[i], static_cast<std::size_t>(starts[i + 1] - starts[i]));
    return writer_.add<true>(views);
}

bool TableConverter::finish() {
    return failed_ || writer_.flush();
}

ConversionResult convertTable(std::string_view table, std::string_view prefix, FieldEncoding encoding,
                              std::size_t piece) {
    ConversionResult result;
    KeptRecords kept(result);
    KnownEncoding known(encoding);
    TableConverter converter(prefix, known, kept, kept);
    // The pieces as a file is read: what a piece does not hold whole is given again.
    std::size_t at = 0;
    std::size_t taken = 0;
    while (!converter.ended()) {
        const std::size_t end = piece >= table.size() - taken ? table.size() : taken + piece;
        const bool last = end == table.size();
        at += converter.convert(table.substr(at, end - at), last);
        taken = std::max(end, at);
        if (last)
            break;
    }
    std::ignore = converter.finish();
    result.rows = converter.rows();
    if (!result.problems.empty())
        result.records.clear();
    return result;
}

}  // namespace brisel
