// Buffers from the heap, or for large ones on Linux an anonymous mapping with huge pages.
#include "base/byte_buffer.h"

#include <cstring>
#include <new>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace brisel {

#ifdef __linux__
namespace {

constexpr std::size_t hugePage = std::size_t{2} << 20;
constexpr std::size_t mapFrom = 4 * hugePage;

}  // namespace
#endif

ByteBuffer::ByteBuffer(std::size_t capacity) : capacity_(capacity) {
#ifdef __linux__
    if (capacity >= mapFrom) {
        const std::size_t length = (capacity + hugePage - 1) / hugePage * hugePage;
        void* block = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED)
            throw std::bad_alloc();
        ::madvise(block, length, MADV_HUGEPAGE);  // a hint; without it the buffer works the same
        data_ = static_cast<char*>(block);
        mapped_ = length;
        return;
    }
#endif
    data_ = new char[capacity];
}

void ByteBuffer::grow(std::size_t capacity, std::size_t keep) {
    if (capacity <= capacity_)
        return;
#ifdef __linux__
    if (mapped_ != 0) {
        const std::size_t length = (capacity + hugePage - 1) / hugePage * hugePage;
        void* block = ::mremap(data_, mapped_, length, MREMAP_MAYMOVE);
        if (block == MAP_FAILED)
            throw std::bad_alloc();
        data_ = static_cast<char*>(block);
        mapped_ = length;
        capacity_ = capacity;
        return;
    }
#endif
    ByteBuffer larger(capacity);
    std::memcpy(larger.data(), data_, keep);
    larger.setSize(size_);
    *this = std::move(larger);
}

ByteBuffer::~ByteBuffer() {
    release();
}

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)) {}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, 0);
    }
    return *this;
}

void ByteBuffer::release() noexcept {
#ifdef __linux__
    if (mapped_ != 0) {
        ::munmap(data_, mapped_);
        data_ = nullptr;
        return;
    }
#endif
    delete[] data_;
    data_ = nullptr;
}

}  // namespace brisel
