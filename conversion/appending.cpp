// The appending rules of material.ini.
#include "conversion/appending.h"

namespace brisel {

Appending appendingTo(std::string_view existing) noexcept {
    const DetectedText detected = detectEncoding(existing);
    // A byte-order mark alone is no line: the records start right after it.
    const std::string_view text = detected.text;
    const bool lineOpen = !text.empty() && text.back() != '\r' && text.back() != '\n';
    return {detected.encoding, lineOpen && detected.encoding != TextEncoding::utf16};
}

}  // namespace brisel
