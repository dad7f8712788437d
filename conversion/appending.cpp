// The appending rules of material.ini.
#include "conversion/appending.h"

namespace brisel {

AppendingStart appendingStart(std::string_view firstBytes, char lastByte, std::uint64_t size) noexcept {
    const ByteOrderMark mark = byteOrderMark(firstBytes);
    // A byte-order mark alone is no line: the records start right after it.
    const bool lineOpen = size > mark.size && lastByte != '\r' && lastByte != '\n';
    return {mark.encoding, lineOpen && mark.encoding != TextEncoding::utf16};
}

Appending appendingTo(std::string_view existing) noexcept {
    const AppendingStart start = appendingStart(existing.substr(0, 3), existing.empty() ? '\n' : existing.back(),
                                                existing.size());
    return {start.marked.value_or(detectEncoding(existing).encoding), start.lineBreakFirst};
}

}  // namespace brisel
