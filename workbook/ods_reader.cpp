// A LibreOffice spreadsheet (.ods): the first table of content.xml, its rows and cells, and
// the text rules of OpenDocument.
#include "workbook/package.h"

#include <algorithm>
#include <optional>
#include <string>

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

}  // namespace

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

}  // namespace brisel::package
