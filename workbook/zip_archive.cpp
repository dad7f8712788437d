// ZIP directories and entries, read defensively: a damaged archive ends in a status, never
// in a read outside the file.
#include "workbook/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace brisel {
namespace {

constexpr std::uint32_t endOfDirectorySignature = 0x06054b50;
constexpr std::uint32_t directoryEntrySignature = 0x02014b50;
constexpr std::uint32_t localHeaderSignature = 0x04034b50;
constexpr std::size_t endOfDirectorySize = 22;
constexpr std::size_t directoryEntrySize = 46;
constexpr std::size_t localHeaderSize = 30;
constexpr std::size_t longestComment = 0xFFFF;
constexpr std::size_t pieceSize = std::size_t{1} << 16;
constexpr std::uint16_t encrypted = 1;

std::uint16_t le16(std::string_view bytes, std::size_t at) noexcept {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::uint32_t le32(std::string_view bytes, std::size_t at) noexcept {
    return static_cast<std::uint32_t>(le16(bytes, at)) | static_cast<std::uint32_t>(le16(bytes, at + 2)) << 16;
}

bool sameName(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

}  // namespace

bool looksLikeZip(std::string_view bytes) noexcept {
    return bytes.size() >= 4 && le32(bytes, 0) == localHeaderSignature;
}

std::optional<ZipArchive> ZipArchive::open(std::string_view bytes) {
    if (bytes.size() < endOfDirectorySize)
        return std::nullopt;
    // The end record stands last, followed only by a comment of at most 64 KB.
    const std::size_t earliest = bytes.size() > endOfDirectorySize + longestComment
                                     ? bytes.size() - endOfDirectorySize - longestComment
                                     : 0;
    std::size_t end = bytes.size() - endOfDirectorySize;
    while (le32(bytes, end) != endOfDirectorySignature) {
        if (end == earliest)
            return std::nullopt;
        --end;
    }
    const std::size_t count = le16(bytes, end + 10);
    const std::size_t directorySize = le32(bytes, end + 12);
    const std::size_t directoryStart = le32(bytes, end + 16);
    if (directoryStart > end || directorySize > end - directoryStart)
        return std::nullopt;  // also an archive of more than 4 GB (ZIP64), which no workbook is

    ZipArchive archive(bytes);
    archive.entries_.reserve(count);
    std::size_t at = directoryStart;
    const std::size_t directoryEnd = directoryStart + directorySize;
    for (std::size_t i = 0; i < count; ++i) {
        if (directoryEnd - at < directoryEntrySize || le32(bytes, at) != directoryEntrySignature)
            return std::nullopt;
        const std::size_t nameLength = le16(bytes, at + 28);
        const std::size_t rest = nameLength + le16(bytes, at + 30) + le16(bytes, at + 32);
        if (directoryEnd - at - directoryEntrySize < rest)
            return std::nullopt;
        Entry entry;
        entry.flags = le16(bytes, at + 8);
        entry.method = le16(bytes, at + 10);
        entry.crc = le32(bytes, at + 16);
        entry.compressedSize = le32(bytes, at + 20);
        entry.localHeader = le32(bytes, at + 42);
        entry.name = bytes.substr(at + directoryEntrySize, nameLength);
        archive.entries_.push_back(entry);
        at += directoryEntrySize + rest;
    }
    return archive;
}

const ZipArchive::Entry* ZipArchive::find(std::string_view name) const noexcept {
    const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return sameName(e.name, name); });
    return found == entries_.end() ? nullptr : &*found;
}

std::optional<std::string_view> ZipArchive::dataOf(const Entry& entry) const noexcept {
    const std::uint64_t at = entry.localHeader;
    if (at > bytes_.size() || bytes_.size() - at < localHeaderSize || le32(bytes_, at) != localHeaderSignature)
        return std::nullopt;
    const std::uint64_t start = at + localHeaderSize + le16(bytes_, at + 26) + le16(bytes_, at + 28);
    if (start > bytes_.size() || bytes_.size() - start < entry.compressedSize)
        return std::nullopt;
    return bytes_.substr(start, entry.compressedSize);
}

struct ZipArchive::Reader::Inflater {
    z_stream stream{};
    std::array<char, pieceSize> piece{};
    bool ended = false;
};

ZipArchive::Reader::Reader(const ZipArchive& archive, const Entry& entry, std::uint64_t limit)
    : limit_(limit), expectedCrc_(entry.crc), crc_(crc32(0, nullptr, 0)) {
    const auto data = archive.dataOf(entry);
    if (!data) {
        status_ = Status::damaged;
        return;
    }
    data_ = *data;
    if ((entry.flags & encrypted) != 0 || (entry.method != 0 && entry.method != 8)) {
        status_ = Status::unsupported;
        return;
    }
    if (entry.method == 8) {
        inflater_ = std::make_unique<Inflater>();
        // Raw deflate, as ZIP stores it: no zlib header.
        if (inflateInit2(&inflater_->stream, -MAX_WBITS) != Z_OK) {
            inflater_.reset();
            status_ = Status::damaged;
            return;
        }
        inflater_->stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data_.data()));
        inflater_->stream.avail_in = 0;
    }
}

ZipArchive::Reader::~Reader() {
    if (inflater_)
        inflateEnd(&inflater_->stream);
}

std::optional<std::string_view> ZipArchive::Reader::next() {
    if (status_ != Status::ok)
        return std::nullopt;
    std::string_view got;
    if (!inflater_) {  // stored
        got = data_.substr(0, std::min(data_.size(), pieceSize));
        data_.remove_prefix(got.size());
    } else if (!inflater_->ended) {
        z_stream& z = inflater_->stream;
        z.next_out = reinterpret_cast<Bytef*>(inflater_->piece.data());
        z.avail_out = static_cast<uInt>(inflater_->piece.size());
        while (z.avail_out > 0) {
            if (z.avail_in == 0) {
                const std::size_t take = std::min<std::size_t>(data_.size(), pieceSize);
                z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data_.data()));
                z.avail_in = static_cast<uInt>(take);
                data_.remove_prefix(take);
            }
            const int result = inflate(&z, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                inflater_->ended = true;
                break;
            }
            if (result != Z_OK) {  // also data that end before the stream does
                status_ = Status::damaged;
                return std::nullopt;
            }
        }
        got = std::string_view(inflater_->piece.data(), inflater_->piece.size() - z.avail_out);
    }
    done_ += got.size();
    if (done_ > limit_) {
        status_ = Status::tooLarge;
        return std::nullopt;
    }
    if (!got.empty())  // a null buffer would ask zlib for the initial value instead
        crc_ = crc32(crc_, reinterpret_cast<const Bytef*>(got.data()), static_cast<uInt>(got.size()));
    else if (crc_ != expectedCrc_) {
        status_ = Status::damaged;
        return std::nullopt;
    }
    return got;
}

std::optional<std::string> ZipArchive::readWhole(const Entry& entry, std::uint64_t limit) const {
    Reader reader(*this, entry, limit);
    std::string whole;
    for (auto piece = reader.next(); piece; piece = reader.next()) {
        if (piece->empty())
            return whole;
        whole += *piece;
    }
    return std::nullopt;
}

}  // namespace brisel
