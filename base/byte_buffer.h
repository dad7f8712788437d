// A block of bytes for whole files and all their records, left uninitialised.
#pragma once

#include <cstddef>
#include <string_view>

namespace brisel {

// Large buffers come from the system directly, in huge pages where it offers them: a
// table of 100 MB would otherwise cost tens of thousands of page faults on first touch.
class ByteBuffer {
public:
    ByteBuffer() = default;
    explicit ByteBuffer(std::size_t capacity);  // throws std::bad_alloc
    ~ByteBuffer();
    ByteBuffer(ByteBuffer&& other) noexcept;
    ByteBuffer& operator=(ByteBuffer&& other) noexcept;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    char* data() noexcept { return data_; }
    std::size_t capacity() const noexcept { return capacity_; }
    // The bytes in use, from the start; at most the capacity.
    std::size_t size() const noexcept { return size_; }
    void setSize(std::size_t size) noexcept { size_ = size; }
    std::string_view view() const noexcept { return {data_, size_}; }
    // At least `capacity` bytes, the first `keep` of them as they were; a mapping grows in
    // place where the system lets it, so that the old and the new buffer never take memory
    // at once. Throws std::bad_alloc.
    void grow(std::size_t capacity, std::size_t keep);

private:
    void release() noexcept;

    char* data_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
    std::size_t mapped_ = 0;  // the length of a mapping from the system; 0 for the heap
};

}  // namespace brisel
