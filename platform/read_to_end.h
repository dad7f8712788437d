// A stream read to its end into one buffer that doubles as it fills.
#pragma once

#include "base/byte_buffer.h"

#include <cstring>
#include <optional>
#include <utility>

namespace brisel {

// `read(into, room)` reads at most `room` bytes and returns how many, 0 at the end of the
// stream and a negative number on failure. Throws std::bad_alloc.
template <class Read>
std::optional<ByteBuffer> readToEnd(Read read) {
    ByteBuffer bytes(std::size_t{1} << 16);
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.capacity()) {
            ByteBuffer larger(2 * bytes.capacity());
            std::memcpy(larger.data(), bytes.data(), done);
            bytes = std::move(larger);
        }
        const auto got = read(bytes.data() + done, bytes.capacity() - done);
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    bytes.setSize(done);
    return bytes;
}

}  // namespace brisel
