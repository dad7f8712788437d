// An Excel workbook (.xlsx, .xlsm): which part of the package holds the worksheet to read,
// its rows and cells, and the text rules of Office Open XML.
#include "workbook/package.h"

#include "base/utf.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

namespace brisel::package {
namespace {

using Status = WorkbookStatus;

// Namespaces: the transitional and the strict names of Office Open XML.
constexpr std::string_view sheetMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view sheetStrict = "http://purl.oclc.org/ooxml/spreadsheetml/main";
constexpr std::string_view relations = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view relationsStrict = "http://purl.oclc.org/ooxml/officeDocument/relationships";
constexpr std::string_view packageRelations = "http://schemas.openxmlformats.org/package/2006/relationships";

bool isSheetNs(std::string_view ns) {
    return ns == sheetMain || ns == sheetStrict;
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
    // `resultsStale`: the workbook asks to be calculated when opened, so no saved result holds.
    SheetReader(const std::vector<std::string>& shared, SheetRows& table, bool resultsStale)
        : shared_(shared), table_(table), resultsStale_(resultsStale) {}

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
            if (formula_ && !resultSaved()) {
                table_.withoutResult(column_);
                return true;
            }
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
    // Whether a formula's result is saved with it. Excel and LibreOffice save every result,
    // an empty text (="") as an empty <v> in a cell of the type "str"; a script that leaves
    // the calculating to the spreadsheet (openpyxl, whose workbook asks for fullCalcOnLoad)
    // writes an empty <v>, or none, and no type. No type is a number's, and a number, a truth
    // value, an error or a date is never empty: an empty <v> there is no result. Only an
    // empty <v> of a text type is a result, the empty text. A script that writes 0 for every
    // result (XlsxWriter) asks for fullCalcOnLoad, which a spreadsheet drops when it saves.
    bool resultSaved() const {
        if (!hasValue_ || resultsStale_)
            return false;
        return type_ == "str" || type_ == "inlineStr" || !trimmed(value_).empty();
    }

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
    const bool resultsStale_;
    std::string type_;
    std::string value_;
    std::size_t column_ = 0;
    int phonetic_ = 0;
    bool inData_ = false;
    bool inValue_ = false;
    bool hasValue_ = false;
    bool formula_ = false;  // the cell has a formula, whose saved result its value is
};

// The workbook part: its sheets in the workbook's order, the tab that was active, and
// whether the formulas are to be calculated when it is opened.
class WorkbookPartReader final : public XmlHandler {
public:
    struct Sheet {
        std::string id;  // its relationship
        std::string name;
        bool hidden = false;
    };
    std::vector<Sheet> sheets;
    std::optional<std::size_t> activeTab;  // among all sheets, chart sheets too
    bool calculateOnLoad = false;          // fullCalcOnLoad: the saved results are stand-ins
    bool isWorkbook = false;               // the part's root: a workbook, not a text document or another

    bool start(std::string_view ns, std::string_view name, std::span<const XmlAttribute> attributes) override {
        if (!std::exchange(rootSeen_, true)) {
            isWorkbook = isSheetNs(ns) && name == "workbook";
            return isWorkbook;
        }
        if (!isSheetNs(ns))
            return true;
        if (name == "workbookView" && !std::exchange(viewSeen_, true)) {
            if (const auto tab = attribute(attributes, {}, "activeTab"))
                activeTab = count(*tab);  // the first window's; Excel opens the workbook with it
        } else if (name == "sheet") {
            const std::string_view state = attribute(attributes, {}, "state").value_or("visible");
            sheets.push_back({std::string(attribute(attributes, relations, "id")
                                              .value_or(attribute(attributes, relationsStrict, "id").value_or(""))),
                              std::string(attribute(attributes, {}, "name").value_or("")),
                              state == "hidden" || state == "veryHidden"});
        } else if (name == "calcPr") {
            const std::string_view full = attribute(attributes, {}, "fullCalcOnLoad").value_or("0");
            calculateOnLoad = full == "1" || full == "true";
            return false;  // after the sheets; nothing later matters
        }
        return true;
    }
    bool end(std::string_view, std::string_view) override { return true; }
    bool text(std::string_view) override { return true; }

private:
    bool rootSeen_ = false;
    bool viewSeen_ = false;
};

}  // namespace

// The worksheet asked for, or the active one, found through the relationships.
WorkbookRead readOfficeOpenXml(const ZipArchive& archive, WorkbookRows& taker, std::optional<std::string_view> sheetName) {
    WorkbookRead done;
    const auto finished = [&](Status status) {
        done.status = status;
        return done;
    };
    std::string workbookPart = "xl/workbook.xml";
    const auto package = relationships(archive, "");
    if (!package)
        return finished(Status::damaged);
    for (const Relationship& r : *package)
        if (typeEndsWith(r, "/officeDocument"))
            workbookPart = resolve("", r.target);
    const ZipArchive::Entry* workbook = archive.find(workbookPart);
    if (workbook == nullptr)
        return finished(Status::damaged);

    WorkbookPartReader book;
    if (const Status read = readPart(archive, *workbook, book); read != Status::ok)
        return finished(read);
    if (!book.isWorkbook)
        return finished(Status::unsupported);
    const auto links = relationships(archive, workbookPart);
    if (!links)
        return finished(Status::damaged);

    // Which sheets are worksheets (and not chart, dialog or macro sheets) their relationships
    // tell; a sheet without one is none.
    static constexpr std::string_view otherSheets[] = {"/chartsheet", "/dialogsheet", "/xlMacrosheet",
                                                       "/xlIntlMacrosheet"};
    std::vector<std::string> parts;  // each worksheet's part
    std::optional<std::size_t> active;
    for (std::size_t at = 0; at < book.sheets.size(); ++at) {
        const WorkbookPartReader::Sheet& sheet = book.sheets[at];
        const auto link =
            std::find_if(links->begin(), links->end(), [&](const Relationship& r) { return r.id == sheet.id; });
        if (link == links->end() || std::any_of(std::begin(otherSheets), std::end(otherSheets),
                                                [&](std::string_view kind) { return typeEndsWith(*link, kind); }))
            continue;
        if (book.activeTab == at)
            active = done.worksheets.size();
        done.worksheets.push_back({sheet.name, sheet.hidden});
        parts.push_back(resolve(workbookPart, link->target));
    }
    if (done.worksheets.empty())
        return finished(Status::unsupported);  // chart sheets only, say
    if (sheetName) {
        const auto named = std::find_if(done.worksheets.begin(), done.worksheets.end(),
                                        [&](const Worksheet& w) { return w.name == *sheetName; });
        if (named == done.worksheets.end())
            return finished(Status::unknownSheet);
        done.sheet = static_cast<std::size_t>(named - done.worksheets.begin());
    } else {
        done.sheet = sheetToRead(done.worksheets, active);
    }
    const ZipArchive::Entry* sheet = archive.find(parts[done.sheet]);
    if (sheet == nullptr)
        return finished(Status::damaged);

    const ZipArchive::Entry* sharedStrings = nullptr;
    for (const Relationship& r : *links) {
        if (typeEndsWith(r, "/sharedStrings"))
            sharedStrings = archive.find(resolve(workbookPart, r.target));
    }
    SharedStringsReader shared;
    if (sharedStrings != nullptr) {
        if (const Status read = readPart(archive, *sharedStrings, shared); read != Status::ok)
            return finished(read);
    }
    SheetRows table(taker);
    SheetReader rows(shared.strings, table, book.calculateOnLoad);
    const Status read = readPart(archive, *sheet, rows);
    return finished(rows.damaged ? Status::damaged : read);
}

}  // namespace brisel::package
