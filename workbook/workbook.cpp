// The workbook model: which parts of the archive hold the first worksheet, its rows and
// cells, and the text rules that make each cell a field.
#include "workbook/workbook.h"

#include "base/utf.h"
#include "workbook/xml_reader.h"
#include "workbook/zip_archive.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace brisel {
namespace {

using Status = WorkbookStatus;

constexpr std::string_view oleSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr std::size_t fieldsWritten = minimumFieldCount;
constexpr std::size_t lastRow = 1048576;  // the most rows a sheet of either program has

// Namespaces: the transitional and the strict names of Office Open XML, OpenDocument's.
constexpr std::string_view sheetMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view sheetStrict = "http://purl.oclc.org/ooxml/spreadsheetml/main";
constexpr std::string_view relations = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view relationsStrict = "http://purl.oclc.org/ooxml/officeDocument/relationships";
constexpr std::string_view packageRelations = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr std::string_view odfTable = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr std::string_view odfOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view odfText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr std::string_view odfDraw = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";
constexpr std::string_view odfDraw3d = "urn:oasis:names:tc:opendocument:xmlns:dr3d:1.0";
constexpr std::string_view calcExtension = "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0";
constexpr std::string_view odsMimeType = "application/vnd.oasis.opendocument.spreadsheet";
constexpr std::string_view odfManifest = "urn:oasis:names:tc:opendocument:xmlns:manifest:1.0";

bool isSheetNs(std::string_view ns) {
    return ns == sheetMain || ns == sheetStrict;
}

bool is(std::string_view ns, std::string_view name, std::string_view wantedNs, std::string_view wanted) {
    return name == wanted && ns == wantedNs;
}

std::optional<std::string_view> attribute(std::span<const XmlAttribute> attributes, std::string_view ns,
                                          std::string_view name) {
    for (const XmlAttribute& a : attributes)
        if (a.name == name && a.ns == ns)
            return a.value;
    return std::nullopt;
}

// XML Schema's white space, which may stand around a number.
std::string_view trimmed(std::string_view text) {
    constexpr std::string_view space = " \t\r\n";
    const std::size_t first = text.find_first_not_of(space);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(space) + 1 - first);
}

std::optional<std::size_t> count(std::string_view given) {
    const std::string_view digits = trimmed(given);
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

// The error values as the file stores them (in English), as the German Excel shows them.
// The newer ones (#CALC!, #FIELD!, #BLOCKED!, ...) keep their English names.
std::string germanError(std::string_view stored) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 6> names{{
        {"#N/A", "#NV"}, {"#VALUE!", "#WERT!"}, {"#REF!", "#BEZUG!"}, {"#NUM!", "#ZAHL!"},
        {"#GETTING_DATA", "#DATEN_ABRUFEN"}, {"#SPILL!", "#ÜBERLAUF!"}}};
    for (const auto& [english, german] : names)
        if (stored == english)
            return std::string(german);
    return std::string(stored);
}

// Whether a formula's saved text is the name of an error value, as the spreadsheets store
// it: Excel's and Gnumeric's names, LibreOffice's "Err:" and a three-digit code. Some
// programs save a formula's error so, as text beside the formula.
bool isErrorName(std::string_view text) {
    static constexpr std::string_view names[] = {
        "#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A", "#GETTING_DATA", "#SPILL!",
        "#CALC!", "#FIELD!", "#BLOCKED!", "#CONNECT!", "#UNKNOWN!", "#BUSY!"};
    if (std::find(std::begin(names), std::end(names), text) != std::end(names))
        return true;
    return text.size() == 7 && text.starts_with("Err:") &&
           std::all_of(text.begin() + 4, text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The UTF-16 unit that "_xHHHH_" at `at` stands for.
std::optional<char32_t> escapeAt(std::string_view text, std::size_t at) {
    unsigned code = 0;
    if (text.substr(at, 2) != "_x" || at + 7 > text.size() || text[at + 6] != '_' ||
        std::from_chars(text.data() + at + 2, text.data() + at + 6, code, 16).ptr != text.data() + at + 6)
        return std::nullopt;
    return code;
}

// Office Open XML writes characters that XML cannot hold as "_xHHHH_", a character beyond
// U+FFFF as the two halves of its surrogate pair. An escape that stands for no character
// stays as it is.
std::string decodeEscapes(std::string_view text) {
    if (text.find("_x") == std::string_view::npos)
        return std::string(text);
    std::string decoded;
    for (std::size_t at = 0; at < text.size();) {
        std::optional<char32_t> code = escapeAt(text, at);
        std::size_t length = 7;
        if (code && *code >= 0xD800 && *code < 0xDC00) {
            const auto low = escapeAt(text, at + 7);
            if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
                code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
                length = 14;
            }
        }
        if (code && appendUtf8(decoded, *code)) {
            at += length;
        } else {
            decoded += text[at++];
        }
    }
    return decoded;
}

// Whether a part's first byte can begin an XML document: "<", white space, a byte-order
// mark, UTF-16 without one. An Excel binary workbook's parts begin otherwise.
bool beginsAsXml(char first) {
    return std::string_view("< \t\r\n\xEF\xFE\xFF\0", 9).find(first) != std::string_view::npos;
}

// Reads a part of the archive through the XML reader; the status of whatever failed. A
// part is read to its end whatever its XML, so that a wrong checksum tells a damaged part
// from one that is no XML at all (unsupported).
Status readPart(const ZipArchive& archive, const ZipArchive::Entry& entry, XmlHandler& handler) {
    ZipArchive::Reader reader(archive, entry, workbookPartLimit);
    std::optional<bool> xml;  // once the first byte is seen
    const XmlResult result = readXml(
        [&] {
            const auto piece = reader.next();
            if (piece && !piece->empty() && !xml)
                xml = beginsAsXml(piece->front());
            return piece;
        },
        handler);
    for (auto piece = reader.next(); piece && !piece->empty(); piece = reader.next()) {
    }
    if (reader.status() == ZipArchive::Status::tooLarge)
        return Status::tooLarge;
    if (reader.status() != ZipArchive::Status::ok)
        return Status::damaged;
    if (result == XmlResult::complete || result == XmlResult::stopped)
        return Status::ok;
    return xml == false ? Status::unsupported : Status::damaged;
}

// The part a relationship points at, from the folder of the part that has it.
std::string resolve(std::string_view from, std::string_view target) {
    std::string path;
    if (!target.empty() && target.front() == '/') {
        target.remove_prefix(1);
    } else {
        const std::size_t slash = from.rfind('/');
        path = slash == std::string_view::npos ? std::string() : std::string(from.substr(0, slash + 1));
    }
    while (!target.empty()) {
        const std::size_t slash = target.find('/');
        const std::string_view step = target.substr(0, slash);
        target = slash == std::string_view::npos ? std::string_view() : target.substr(slash + 1);
        if (step == "..") {
            const std::size_t last = path.size() > 1 ? path.rfind('/', path.size() - 2) : std::string::npos;
            path.erase(last == std::string::npos ? 0 : last + 1);
        } else if (step != "." && !step.empty()) {
            path += step;
            if (slash != std::string_view::npos)
                path += '/';
        }
    }
    return path;
}

// The relationships file of a part: "xl/workbook.xml" has "xl/_rels/workbook.xml.rels".
std::string relationshipsOf(std::string_view part) {
    const std::size_t slash = part.rfind('/');
    const std::size_t name = slash == std::string_view::npos ? 0 : slash + 1;
    return std::string(part.substr(0, name)) + "_rels/" + std::string(part.substr(name)) + ".rels";
}

struct Relationship {
    std::string id;
    std::string type;
    std::string target;
};

class RelationshipsReader final : public XmlHandler {
public:
    std::vector<Relationship> found;

    bool start(std::string_view ns, std::string_view name, std::span<const XmlAttribute> attributes) override {
        if (is(ns, name, packageRelations, "Relationship"))
            found.push_back({std::string(attribute(attributes, {}, "Id").value_or("")),
                             std::string(attribute(attributes, {}, "Type").value_or("")),
                             std::string(attribute(attributes, {}, "Target").value_or(""))});
        return true;
    }
    bool end(std::string_view, std::string_view) override { return true; }
    bool text(std::string_view) override { return true; }
};

std::optional<std::vector<Relationship>> relationships(const ZipArchive& archive, std::string_view part) {
    const ZipArchive::Entry* entry = archive.find(relationshipsOf(part));
    if (entry == nullptr)
        return std::vector<Relationship>{};
    RelationshipsReader reader;
    if (readPart(archive, *entry, reader) != Status::ok)
        return std::nullopt;
    return std::move(reader.found);
}

bool typeEndsWith(const Relationship& r, std::string_view kind) {
    return r.type.size() >= kind.size() && r.type.compare(r.type.size() - kind.size(), kind.size(), kind) == 0;
}

// The rows of the sheet, each handed on as it ends.
class SheetRows {
public:
    explicit SheetRows(WorkbookRows& rows) : rows_(rows) {}

    // Starts the row of that number; false once the table has ended before it.
    bool startRow(std::size_t row) {
        row = std::max(row, nextRow_);  // a row named twice or out of order counts as the next
        if (row > nextRow_ && row > 2)
            return false;  // rows the file leaves out are empty rows, and an empty row ends the table
        row_ = row;
        cells_.fill({});
        width_ = 0;
        holdsValue_ = false;
        return true;
    }

    // A cell that holds a value, empty text included.
    void cell(std::size_t column, std::string text, bool error) {
        if (column == 0 || column <= width_)
            return;  // a cell named twice or out of order: the first counts
        width_ = column;
        holdsValue_ = holdsValue_ || error || !text.empty();
        if (column > fieldsWritten || row_ < 2)
            return;  // the header is never interpreted
        cells_[column - 1] = {error ? germanError(text) : std::move(text), error};
    }

    // Ends the row, `times` times over; false once the table has ended or the rows' taker
    // has stopped.
    bool endRow(std::size_t times = 1) {
        if (row_ < 2) {
            nextRow_ = row_ + 1;
            return times == 1;  // the header repeated: rows with no material of their own
        }
        if (!holdsValue_)
            return false;  // a row in which no cell holds more than empty text ends the table
        times = std::min(times, lastRow + 1 - row_);
        for (std::size_t i = 0; i < times; ++i) {
            if (!rows_.row(row_ + i, cells_, width_))
                return false;
        }
        nextRow_ = row_ + times;
        return nextRow_ <= lastRow;
    }

    std::size_t nextRow() const noexcept { return nextRow_; }

private:
    WorkbookRows& rows_;
    std::array<WorkbookCell, fieldsWritten> cells_;
    std::size_t row_ = 0;
    std::size_t nextRow_ = 1;
    std::size_t width_ = 0;
    bool holdsValue_ = false;
};

// ---- Office Open XML ----

// The shared strings: each <si>'s text, its runs joined, its phonetic guides left out.
class SharedStringsReader final : public XmlHandler {
public:
    std::vector<std::string> strings;

    bool start(std::string_view ns, std::string_view name, std::span<const XmlAttribute>) override {
        if (!isSheetNs(ns))
            return true;
        if (name == "si")
            current_.clear();
        else if (name == "rPh")
            ++phonetic_;
        else if (name == "t" && phonetic_ == 0)
            inText_ = true;
        return true;
    }
    bool end(std::string_view ns, std::string_view name) override {
        if (!isSheetNs(ns))
            return true;
        if (name == "si")
            strings.push_back(decodeEscapes(current_));
        else if (name == "rPh")
            --phonetic_;
        else if (name == "t")
            inText_ = false;
        return true;
    }
    bool text(std::string_view utf8) override {
        if (inText_)
            current_ += utf8;
        return true;
    }

private:
    std::string current_;
    int phonetic_ = 0;
    bool inText_ = false;
};

// The column a cell reference names ("BC12" is 55); 0 where it names none.
std::size_t columnOf(std::string_view reference) {
    std::size_t column = 0;
    for (std::size_t at = 0; at < reference.size() && reference[at] >= 'A' && reference[at] <= 'Z' && column <= 16384; ++at)
        column = column * 26 + static_cast<std::size_t>(reference[at] - 'A' + 1);
    return column;
}

class SheetReader final : public XmlHandler {
public:
    SheetReader(const std::vector<std::string>& shared, SheetRows& table) : shared_(shared), table_(table) {}

    bool damaged = false;  // a cell names a shared string that is not there

    bool start(std::string_view ns, std::string_view name, std::span<const XmlAttribute> attributes) override {
        if (!isSheetNs(ns))
            return true;
        if (name == "sheetData") {
            inData_ = true;
        } else if (inData_ && name == "row") {
            const auto r = attribute(attributes, {}, "r");
            const std::size_t row = r ? count(*r).value_or(0) : 0;
            column_ = 0;
            return table_.startRow(row != 0 ? row : table_.nextRow());
        } else if (inData_ && name == "c") {
            const auto r = attribute(attributes, {}, "r");
            const std::size_t named = r ? columnOf(*r) : 0;
            column_ = named != 0 ? named : column_ + 1;
            type_ = attribute(attributes, {}, "t").value_or("n");
            value_.clear();
            hasValue_ = false;
            formula_ = false;
        } else if (name == "f") {
            formula_ = true;
        } else if (name == "v" || (name == "is" && type_ == "inlineStr")) {
            hasValue_ = true;
            inValue_ = name == "v";
        } else if (name == "rPh") {
            ++phonetic_;
        } else if (name == "t" && phonetic_ == 0) {
            inValue_ = true;
        }
        return true;
    }

    bool end(std::string_view ns, std::string_view name) override {
        if (!isSheetNs(ns))
            return true;
        if (name == "v" || name == "t") {
            inValue_ = false;
        } else if (name == "rPh") {
            --phonetic_;
        } else if (name == "c" && inData_) {
            return !hasValue_ || cellText();
        } else if (name == "row" && inData_) {
            return table_.endRow();
        } else if (name == "sheetData") {
            return false;  // nothing after the data matters
        }
        return true;
    }

    bool text(std::string_view utf8) override {
        if (inValue_)
            value_ += utf8;
        return true;
    }

private:
    // False where the cell names a shared string that is not there.
    bool cellText() {
        if (type_ == "s") {
            const auto index = count(value_);
            if (!index || *index >= shared_.size()) {
                damaged = true;
                return false;
            }
            table_.cell(column_, shared_[*index], formula_ && isErrorName(shared_[*index]));
        } else if (type_ == "str" || type_ == "inlineStr") {
            std::string text = decodeEscapes(value_);
            const bool error = formula_ && isErrorName(text);
            table_.cell(column_, std::move(text), error);
        } else if (type_ == "b") {
            table_.cell(column_, trimmed(value_) == "1" ? "WAHR" : "FALSCH", false);
        } else if (type_ == "e") {
            table_.cell(column_, std::string(trimmed(value_)), true);
        } else if (type_ == "d") {
            table_.cell(column_, value_, false);
        } else {
            table_.cell(column_, numberText(value_), false);
        }
        return true;
    }

    const std::vector<std::string>& shared_;
    SheetRows& table_;
    std::string type_;
    std::string value_;
    std::size_t column_ = 0;
    int phonetic_ = 0;
    bool inData_ = false;
    bool inValue_ = false;
    bool hasValue_ = false;
    bool formula_ = false;  // the cell has a formula, whose saved result its value is
};

// The first worksheet in the workbook's own order, found through its relationships.
Status readOfficeOpenXml(const ZipArchive& archive, WorkbookRows& taker) {
    std::string workbookPart = "xl/workbook.xml";
    const auto package = relationships(archive, "");
    if (!package)
        return Status::damaged;
    for (const Relationship& r : *package)
        if (typeEndsWith(r, "/officeDocument"))
            workbookPart = resolve("", r.target);
    const ZipArchive::Entry* workbook = archive.find(workbookPart);
    if (workbook == nullptr)
        return Status::damaged;

    // The sheets in the workbook's order; which of them are worksheets (and not chart,
    // dialog or macro sheets) their relationships tell.
    static constexpr std::string_view otherSheets[] = {"/chartsheet", "/dialogsheet", "/xlMacrosheet",
                                                       "/xlIntlMacrosheet"};
    struct Sheets final : XmlHandler {
        std::vector<std::string> ids;
        bool isWorkbook = false;  // the part's root: a workbook, not a text document or another
        bool rootSeen = false;
        bool start(std::string_view ns, std::string_view name, std::span<const XmlAttribute> attributes) override {
            if (!std::exchange(rootSeen, true)) {
                isWorkbook = isSheetNs(ns) && name == "workbook";
                return isWorkbook;
            }
            if (isSheetNs(ns) && name == "sheet")
                ids.emplace_back(attribute(attributes, relations, "id").value_or(
                    attribute(attributes, relationsStrict, "id").value_or("")));
            return true;
        }
        bool end(std::string_view ns, std::string_view name) override { return !(isSheetNs(ns) && name == "sheets"); }
        bool text(std::string_view) override { return true; }
    } sheets;
    if (const Status read = readPart(archive, *workbook, sheets); read != Status::ok)
        return read;
    if (!sheets.isWorkbook)
        return Status::unsupported;
    const auto links = relationships(archive, workbookPart);
    if (!links)
        return Status::damaged;

    const ZipArchive::Entry* sheet = nullptr;
    const ZipArchive::Entry* sharedStrings = nullptr;
    bool worksheetNamed = false;
    for (const std::string& id : sheets.ids) {
        const auto link = std::find_if(links->begin(), links->end(), [&](const Relationship& r) { return r.id == id; });
        const bool notAWorksheet = link != links->end() &&
                                   std::any_of(std::begin(otherSheets), std::end(otherSheets),
                                               [&](std::string_view kind) { return typeEndsWith(*link, kind); });
        if (link != links->end() && !notAWorksheet) {
            worksheetNamed = true;
            sheet = archive.find(resolve(workbookPart, link->target));
            break;
        }
    }
    for (const Relationship& r : *links) {
        if (typeEndsWith(r, "/sharedStrings"))
            sharedStrings = archive.find(resolve(workbookPart, r.target));
    }
    if (sheet == nullptr)
        return worksheetNamed ? Status::damaged : Status::unsupported;  // chart sheets only, say

    SharedStringsReader shared;
    if (sharedStrings != nullptr) {
        if (const Status read = readPart(archive, *sharedStrings, shared); read != Status::ok)
            return read;
    }
    SheetRows table(taker);
    SheetReader rows(shared.strings, table);
    const Status read = readPart(archive, *sheet, rows);
    return rows.damaged ? Status::damaged : read;
}

// ---- OpenDocument ----

class ContentReader final : public XmlHandler {
public:
    explicit ContentReader(SheetRows& table) : table_(table) {}

    bool start(std::string_view ns, std::string_view name, std::span<const XmlAttribute> attributes) override {
        if (ignored_ > 0) {
            ++ignored_;
            return true;
        }
        if (ns == odfTable && name == "table") {
            if (tableDepth_ > 0 || done_) {
                ignored_ = 1;  // a table inside a cell, or a later sheet
                return true;
            }
            tableDepth_ = 1;
            return true;
        }
        if (tableDepth_ == 0)
            return true;
        if ((ns == odfOffice && name == "annotation") || (inCell_ && (ns == odfDraw || ns == odfDraw3d))) {
            ignored_ = 1;  // a comment's text, or a drawing anchored to the cell: no cell text
            return true;
        }
        if (ns == odfTable && name == "table-row") {
            rowsRepeated_ = repeats(attributes, "number-rows-repeated");
            column_ = 0;
            return table_.startRow(table_.nextRow());
        }
        if (ns == odfTable && (name == "table-cell" || name == "covered-table-cell")) {
            inCell_ = true;
            columnsRepeated_ = repeats(attributes, "number-columns-repeated");
            text_.clear();
            paragraphs_ = 0;
            value_.reset();
            error_ = attribute(attributes, calcExtension, "value-type") == "error";
            formula_ = attribute(attributes, odfTable, "formula").has_value();
            const auto type = attribute(attributes, odfOffice, "value-type");
            if (type == "float" || type == "percentage" || type == "currency")
                value_ = numberText(attribute(attributes, odfOffice, "value").value_or(""));
            else if (type == "boolean")
                value_ = attribute(attributes, odfOffice, "boolean-value") == "true" ? "WAHR" : "FALSCH";
            else if (type == "date")
                value_ = std::string(attribute(attributes, odfOffice, "date-value").value_or(""));
            else if (type == "time")
                value_ = std::string(attribute(attributes, odfOffice, "time-value").value_or(""));
            else if (const auto text = attribute(attributes, odfOffice, "string-value"); type == "string" && text)
                value_ = std::string(*text);  // stands before the paragraphs where it is given
            return true;
        }
        if (!inCell_ || ns != odfText)
            return true;
        if (name == "p" || name == "h") {
            if (paragraphs_++ > 0)
                text_ += '\n';  // a second paragraph is a line break within the cell
            ++inParagraph_;
            spaceBefore_ = true;  // white space at a paragraph's start is no text
            return true;
        }
        if (inParagraph_ == 0)
            return true;
        if (name == "s") {
            text_.append(std::min<std::size_t>(repeats(attributes, "c", odfText), 1024), ' ');
        } else if (name == "tab") {
            text_ += '\t';
        } else if (name == "line-break") {
            text_ += '\n';
        }
        spaceBefore_ = false;
        return true;
    }

    bool end(std::string_view ns, std::string_view name) override {
        if (ignored_ > 0) {
            --ignored_;
            return true;
        }
        if (ns == odfText && (name == "p" || name == "h") && inParagraph_ > 0) {
            --inParagraph_;
            return true;
        }
        if (tableDepth_ == 0 || ns != odfTable)
            return true;
        if (name == "table") {
            tableDepth_ = 0;
            done_ = true;
            return false;
        }
        if (name == "table-row")
            return table_.endRow(rowsRepeated_);
        if (name == "table-cell" || name == "covered-table-cell") {
            inCell_ = false;
            const bool hasValue = value_.has_value() || paragraphs_ > 0;
            const std::size_t first = column_ + 1;
            // Only the first six columns are written; past them one cell tells that the row goes on.
            const std::size_t last = column_ + columnsRepeated_;
            column_ = last;
            if (!hasValue)
                return true;
            const std::string text = value_ && !error_ ? *value_ : text_;
            const bool error = error_ || (formula_ && isErrorName(text));
            for (std::size_t c = first; c <= std::min<std::size_t>(last, fieldsWritten + 1); ++c)
                table_.cell(c, text, error);
            table_.cell(last, text, error);
            return true;
        }
        return true;
    }

    // Within a paragraph each run of white space in the file reads as one blank; blanks that
    // count are written as <text:s/> and tabs as <text:tab/>.
    bool text(std::string_view utf8) override {
        if (!inCell_ || ignored_ > 0 || inParagraph_ == 0)
            return true;
        for (const char c : utf8) {
            const bool space = c == ' ' || c == '\t' || c == '\r' || c == '\n';
            if (space && spaceBefore_)
                continue;
            text_ += space ? ' ' : c;
            spaceBefore_ = space;
        }
        return true;
    }

private:
    static std::size_t repeats(std::span<const XmlAttribute> attributes, std::string_view name,
                               std::string_view ns = odfTable) {
        const auto given = attribute(attributes, ns, name);
        const std::size_t n = given ? count(*given).value_or(1) : 1;
        return std::clamp<std::size_t>(n, 1, lastRow);
    }

    SheetRows& table_;
    std::string text_;
    std::optional<std::string> value_;
    std::size_t column_ = 0;
    std::size_t rowsRepeated_ = 1;
    std::size_t columnsRepeated_ = 1;
    int tableDepth_ = 0;
    int ignored_ = 0;
    int paragraphs_ = 0;
    int inParagraph_ = 0;
    bool spaceBefore_ = false;
    bool inCell_ = false;
    bool error_ = false;
    bool formula_ = false;  // the cell has a formula, whose saved result its value is
    bool done_ = false;
};

// Whether the manifest lists a part as encrypted: the document was saved with a password.
class ManifestReader final : public XmlHandler {
public:
    bool encrypted = false;

    bool start(std::string_view ns, std::string_view name, std::span<const XmlAttribute>) override {
        encrypted = encrypted || (ns == odfManifest && name == "encryption-data");
        return !encrypted;
    }
    bool end(std::string_view, std::string_view) override { return true; }
    bool text(std::string_view) override { return true; }
};

Status readOpenDocument(const ZipArchive& archive, WorkbookRows& taker) {
    if (const ZipArchive::Entry* manifest = archive.find("META-INF/manifest.xml")) {
        ManifestReader reader;
        if (const Status read = readPart(archive, *manifest, reader); read != Status::ok)
            return read;
        if (reader.encrypted)
            return Status::oldFormat;
    }
    const ZipArchive::Entry* content = archive.find("content.xml");
    if (content == nullptr)
        return Status::damaged;
    SheetRows table(taker);
    ContentReader rows(table);
    return readPart(archive, *content, rows);
}

}  // namespace

bool mayBeWorkbook(std::string_view start) noexcept {
    return start.starts_with(oleSignature) || looksLikeZip(start);
}

WorkbookStatus readWorkbookRows(std::string_view bytes, WorkbookRows& rows) {
    if (bytes.starts_with(oleSignature))
        return Status::oldFormat;
    if (!looksLikeZip(bytes))
        return Status::notAWorkbook;
    const std::optional<ZipArchive> archive = ZipArchive::open(bytes);
    if (!archive)
        return Status::damaged;
    if (const ZipArchive::Entry* mimeType = archive->find("mimetype")) {
        const std::optional<std::string> type = archive->readWhole(*mimeType, 256);
        if (!type)
            return Status::damaged;
        return *type == odsMimeType ? readOpenDocument(*archive, rows) : Status::unsupported;
    }
    if (archive->find("[Content_Types].xml") != nullptr)
        return readOfficeOpenXml(*archive, rows);
    return Status::unsupported;  // a ZIP archive is no CSV table either
}

namespace {

// The significant digits of a number written out, its decimal exponent and its sign, as
// the text stands: "-1.5E+3" is "15", 3, negative. Nothing for text that is no number.
struct DecimalDigits {
    std::string digits;  // without leading zeros; empty for zero
    long exponent = 0;   // the value is 0.digits times ten to this
    bool negative = false;
};

std::optional<DecimalDigits> decimalDigits(std::string_view text) {
    DecimalDigits number;
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        number.negative = text[at++] == '-';
    bool anyDigit = false;
    bool point = false;
    long beforePoint = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            anyDigit = true;
            if (number.digits.empty() && c == '0') {
                if (point)
                    --number.exponent;  // a zero between the point and the first digit
                continue;
            }
            number.digits += c;
            beforePoint += !point;
        } else {
            break;
        }
    }
    number.exponent += beforePoint;
    if (!anyDigit)
        return std::nullopt;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        long power = 0;
        std::string_view rest = text.substr(at + 1);
        if (!rest.empty() && rest.front() == '+')
            rest.remove_prefix(1);
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), power);
        if (error != std::errc() || end != rest.data() + rest.size() || power > 100000 || power < -100000)
            return std::nullopt;
        number.exponent += power;
        at = text.size();
    }
    if (at != text.size())
        return std::nullopt;
    return number;
}

// The digits written with a decimal comma and no exponent: "123", "1,5", "0,015".
std::string withDecimalComma(bool negative, std::string digits, long exponent) {
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string text = negative ? "-" : "";
    const long point = exponent;  // digits before the decimal point
    if (point <= 0) {
        text += "0,";
        text.append(static_cast<std::size_t>(-point), '0');
        text += digits;
    } else if (static_cast<std::size_t>(point) >= digits.size()) {
        text += digits;
        text.append(static_cast<std::size_t>(point) - digits.size(), '0');
    } else {
        text += digits.substr(0, static_cast<std::size_t>(point));
        text += ',';
        text += digits.substr(static_cast<std::size_t>(point));
    }
    return text;
}

}  // namespace

std::string numberText(std::string_view stored) {
    const std::string_view given = trimmed(stored);
    std::string_view magnitude = given;
    if (!magnitude.empty() && magnitude.front() == '+')
        magnitude.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(magnitude.data(), magnitude.data() + magnitude.size(), value);
    if (error == std::errc::result_out_of_range && end == magnitude.data() + magnitude.size()) {
        // Past the largest double, or too close to zero for the smallest: the digits
        // themselves, rounded to 15, or zero.
        const std::optional<DecimalDigits> number = decimalDigits(given);
        if (!number || number->digits.empty() || number->exponent < 0)
            return number ? "0" : std::string(stored);
        std::string digits = number->digits.substr(0, 16);
        digits.resize(16, '0');
        long exponent = number->exponent;
        const bool up = digits[15] >= '5';
        digits.pop_back();
        if (up) {
            std::size_t at = digits.size();
            while (at > 0 && digits[at - 1] == '9')
                digits[--at] = '0';
            if (at == 0) {
                digits.insert(digits.begin(), '1');
                digits.pop_back();
                ++exponent;
            } else {
                ++digits[at - 1];
            }
        }
        return withDecimalComma(number->negative, digits, exponent);
    }
    if (error != std::errc() || end != magnitude.data() + magnitude.size() || value != value || value - value != 0)
        return std::string(stored);
    if (value == 0)
        return "0";
    std::array<char, 32> buffer{};
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::scientific, 14);
    // d.ddddddddddddde±x: the 15 significant digits and where the point belongs.
    std::string_view scientific(buffer.data(), static_cast<std::size_t>(written.ptr - buffer.data()));
    const bool negative = scientific.front() == '-';
    if (negative)
        scientific.remove_prefix(1);
    const std::size_t e = scientific.find('e');
    std::string digits;
    for (const char c : scientific.substr(0, e))
        if (c != '.')
            digits += c;
    long exponent = 0;
    std::string_view power = scientific.substr(e + 1);
    if (power.front() == '+')
        power.remove_prefix(1);
    std::from_chars(power.data(), power.data() + power.size(), exponent);
    return withDecimalComma(negative, digits, exponent + 1);
}

std::string columnLetters(std::size_t column) {
    std::string letters;
    for (; column > 0; column = (column - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (column - 1) % 26));
    return letters;
}

}  // namespace brisel
