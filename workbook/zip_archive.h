// The ZIP archive that a workbook is: its directory read from the file's bytes, and an
// entry inflated piece by piece. Every offset and size the archive states is checked
// against the bytes there really are before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

class ZipArchive {
public:
    struct Entry {
        std::string_view name;
        std::uint16_t method = 0;  // 0 stored, 8 deflated; others are not read
        std::uint16_t flags = 0;
        std::uint32_t crc = 0;  // the CRC-32 of the content
        std::uint64_t compressedSize = 0;
        std::uint64_t localHeader = 0;
    };

    // The directory of the archive in `bytes`, which must outlive the archive; nothing
    // when there is no complete directory.
    [[nodiscard]] static std::optional<ZipArchive> open(std::string_view bytes);

    // The entry of a name, compared without regard to case as workbook parts are named.
    [[nodiscard]] const Entry* find(std::string_view name) const noexcept;

    enum class Status { ok, damaged, unsupported, tooLarge };

    // Reads one entry's content in pieces of at most 64 KB, never more than `limit` bytes.
    // Content whose checksum does not match is damaged, found as its end is read.
    class Reader {
    public:
        Reader(const ZipArchive& archive, const Entry& entry, std::uint64_t limit);
        ~Reader();
        Reader(const Reader&) = delete;
        Reader& operator=(const Reader&) = delete;

        // The next piece, an empty view at the end, or nothing once status() is not ok.
        [[nodiscard]] std::optional<std::string_view> next();
        [[nodiscard]] Status status() const noexcept { return status_; }

    private:
        struct Inflater;
        std::unique_ptr<Inflater> inflater_;
        std::string_view data_;  // the stored or deflated bytes
        std::uint64_t limit_;
        std::uint64_t done_ = 0;
        std::uint32_t expectedCrc_ = 0;
        unsigned long crc_ = 0;
        Status status_ = Status::ok;
    };

    // A whole entry of at most `limit` bytes, for the small parts of a workbook.
    [[nodiscard]] std::optional<std::string> readWhole(const Entry& entry, std::uint64_t limit) const;

private:
    explicit ZipArchive(std::string_view bytes) : bytes_(bytes) {}
    // The bytes of an entry's data, or nothing when they lie outside the archive.
    [[nodiscard]] std::optional<std::string_view> dataOf(const Entry& entry) const noexcept;

    std::string_view bytes_;
    std::vector<Entry> entries_;
};

// Whether the bytes start as a ZIP archive does.
[[nodiscard]] bool looksLikeZip(std::string_view bytes) noexcept;

}  // namespace brisel
