// A LibreOffice spreadsheet (.ods): which table of content.xml to read, its rows and cells,
// and the text rules of OpenDocument.
#include "workbook/package.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brisel::package {
namespace {

using Status = WorkbookStatus;

constexpr std::string_view odfTable = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr std::string_view odfOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view odfText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr std::string_view odfDraw = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";
constexpr std::string_view odfDraw3d = "urn:oasis:names:tc:opendocument:xmlns:dr3d:1.0";
constexpr std::string_view calcExtension = "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0";
constexpr std::string_view odfManifest = "urn:oasis:names:tc:opendocument:xmlns:manifest:1.0";
constexpr std::string_view odfStyle = "urn:oasis:names:tc:opendocument:xmlns:style:1.0";
constexpr std::string_view odfConfig = "urn:oasis:names:tc:opendocument:xmlns:config:1.0";

// Which table of the spreadsheet to read.
struct TableChoice {
    std::optional<std::string_view> name;  // the table of that name; without one, the first visible table
    bool hiddenToo = false;                // a hidden table of that name too (the user named it)
    std::optional<std::size_t> place;      // instead of both, the table at this place

    bool chooses(std::size_t at, const Worksheet& table) const {
        if (place)
            return at == *place;
        return (hiddenToo || !table.hidden) && (!name || table.name == *name);
    }
};

// The spreadsheet's tables, one of them read row by row. Each table's name and whether it
// is hidden (its style says so) are kept to the document's end, whatever the rows came to.
class ContentReader final : public XmlHandler {
public:
    ContentReader(SheetRows& table, const TableChoice& choice) : table_(table), choice_(choice) {}

    std::vector<Worksheet> tables;
    std::optional<std::size_t> chosen;  // the table read, in `tables`

    bool start(std::string_view ns, std::string_view name, std::span<const XmlAttribute> attributes) override {
        ++depth_;
        if (ignored_ > 0) {
            ++ignored_;
            return true;
        }
        if (tableDepth_ == 0) {
            outsideTheTable(ns, name, attributes);
            return true;
        }
        if (rowsEnded_ || (ns == odfTable && name == "table")) {
            ignored_ = 1;  // rows after the table's end, or a table inside a cell
            return true;
        }
        if ((ns == odfOffice && name == "annotation") || (inCell_ && (ns == odfDraw || ns == odfDraw3d))) {
            ignored_ = 1;  // a comment's text, or a drawing anchored to the cell: no cell text
            return true;
        }
        if (ns == odfTable && name == "table-row") {
            rowsRepeated_ = repeats(attributes, "number-rows-repeated");
            column_ = 0;
            if (!table_.startRow(table_.nextRow())) {
                rowsEnded_ = true;
                ignored_ = 1;
            }
            return true;
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
        --depth_;
        if (ns == odfStyle && name == "style")
            tableStyle_.clear();
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
            tableDepth_ = 0;  // the later tables are only named
            return true;
        }
        if (name == "table-row") {
            rowsEnded_ = !table_.endRow(rowsRepeated_);
            return true;
        }
        if (name == "table-cell" || name == "covered-table-cell") {
            inCell_ = false;
            const bool hasValue = value_.has_value() || paragraphs_ > 0;
            const std::size_t first = column_ + 1;
            // Only the first six columns are written; past them one cell tells that the row goes on.
            const std::size_t last = column_ + columnsRepeated_;
            column_ = last;
            if (!hasValue && !formula_)
                return true;
            // LibreOffice saves a formula's result as the cell's value and text, an empty text as an
            // empty paragraph; a formula with neither has no result.
            const std::string text = value_ && !error_ ? *value_ : text_;
            const bool error = error_ || (formula_ && isErrorName(text));
            const auto put = [&](std::size_t c) {
                if (hasValue)
                    table_.cell(c, text, error);
                else
                    table_.withoutResult(c);
            };
            for (std::size_t c = first; c <= std::min<std::size_t>(last, fieldsWritten + 1); ++c)
                put(c);
            put(last);
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
    // The tables' styles, the spreadsheet and its tables: which to read, which are hidden.
    void outsideTheTable(std::string_view ns, std::string_view name, std::span<const XmlAttribute> attributes) {
        if (ns == odfStyle && name == "style") {
            if (attribute(attributes, odfStyle, "family") == "table")
                tableStyle_ = attribute(attributes, odfStyle, "name").value_or("");
        } else if (ns == odfStyle && name == "table-properties") {
            if (!tableStyle_.empty() && attribute(attributes, odfTable, "display") == "false")
                hiddenStyles_.push_back(tableStyle_);
        } else if (ns == odfOffice && name == "spreadsheet") {
            spreadsheetDepth_ = depth_;
        } else if (ns == odfTable && name == "table") {
            ignored_ = 1;
            if (spreadsheetDepth_ == 0 || depth_ != spreadsheetDepth_ + 1)
                return;  // no sheet: a DDE link's copy of another document's table
            const auto style = attribute(attributes, odfTable, "style-name");
            tables.push_back({std::string(attribute(attributes, odfTable, "name").value_or("")),
                              style && std::find(hiddenStyles_.begin(), hiddenStyles_.end(), *style) != hiddenStyles_.end()});
            if (!chosen && choice_.chooses(tables.size() - 1, tables.back())) {
                chosen = tables.size() - 1;
                ignored_ = 0;
                tableDepth_ = 1;
            }
        }
    }

    static std::size_t repeats(std::span<const XmlAttribute> attributes, std::string_view name,
                               std::string_view ns = odfTable) {
        const auto given = attribute(attributes, ns, name);
        const std::size_t n = given ? count(*given).value_or(1) : 1;
        return std::clamp<std::size_t>(n, 1, lastRow);
    }

    SheetRows& table_;
    const TableChoice& choice_;
    std::vector<std::string> hiddenStyles_;  // the table styles that hide a table
    std::string tableStyle_;                 // the table style being read
    std::size_t depth_ = 0;                  // the elements open
    std::size_t spreadsheetDepth_ = 0;       // office:spreadsheet's, once it is open
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
    bool rowsEnded_ = false;  // an empty row ended the table, or the rows' taker stopped
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

// The table that was active when the document was saved, as the settings of its views have
// it (the first view's, where there are several).
class SettingsReader final : public XmlHandler {
public:
    std::optional<std::string> activeTable;

    bool start(std::string_view ns, std::string_view name, std::span<const XmlAttribute> attributes) override {
        inActiveTable_ = ns == odfConfig && name == "config-item" && attribute(attributes, odfConfig, "name") == "ActiveTable";
        if (inActiveTable_)
            activeTable.emplace();
        return true;
    }
    bool end(std::string_view, std::string_view) override { return !inActiveTable_; }
    bool text(std::string_view utf8) override {
        if (inActiveTable_)
            *activeTable += utf8;
        return true;
    }

private:
    bool inActiveTable_ = false;
};

// A part of a spreadsheet, which is XML whatever it holds: one that is none is damaged.
Status readOdsPart(const ZipArchive& archive, const ZipArchive::Entry& entry, XmlHandler& handler) {
    const Status read = readPart(archive, entry, handler);
    return read == Status::unsupported ? Status::damaged : read;
}

}  // namespace

// The table asked for, or the active one. Tables follow one another in content.xml, so one
// that is gone or hidden is known only at the document's end: then the document is read a
// second time, for the first visible table.
WorkbookRead readOpenDocument(const ZipArchive& archive, WorkbookRows& taker, std::optional<std::string_view> sheetName) {
    WorkbookRead done;
    const auto finished = [&](Status status) {
        done.status = status;
        return done;
    };
    if (const ZipArchive::Entry* manifest = archive.find("META-INF/manifest.xml")) {
        ManifestReader reader;
        if (const Status read = readOdsPart(archive, *manifest, reader); read != Status::ok)
            return finished(read);
        if (reader.encrypted)
            return finished(Status::oldFormat);
    }
    const ZipArchive::Entry* content = archive.find("content.xml");
    if (content == nullptr)
        return finished(Status::damaged);

    TableChoice choice{sheetName, sheetName.has_value(), std::nullopt};
    SettingsReader settings;
    if (const ZipArchive::Entry* part = archive.find("settings.xml"); part != nullptr && !sheetName) {
        if (const Status read = readOdsPart(archive, *part, settings); read != Status::ok)
            return finished(read);
        choice.name = settings.activeTable;
    }
    std::optional<std::size_t> chosen;
    const auto readTables = [&](const TableChoice& tableChoice) {
        SheetRows table(taker);
        ContentReader rows(table, tableChoice);
        const Status read = readOdsPart(archive, *content, rows);
        done.worksheets = std::move(rows.tables);
        chosen = rows.chosen;
        done.sheet = chosen.value_or(0);
        return read;
    };
    if (const Status read = readTables(choice); read != Status::ok || chosen)
        return finished(read);
    if (sheetName)
        return finished(Status::unknownSheet);
    if (done.worksheets.empty())
        return finished(Status::ok);  // a spreadsheet without a table: no rows
    return finished(readTables({std::nullopt, false, sheetToRead(done.worksheets, std::nullopt)}));
}

}  // namespace brisel::package
