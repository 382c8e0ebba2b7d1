#include "imaging/PixelBuffer.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {

constexpr std::size_t kMapThreshold = std::size_t{1} << 20;  // blocks from 1 MB on come straight from the kernel
constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

PixelBuffer::~PixelBuffer() {
    Release();
}

PixelBuffer::PixelBuffer(PixelBuffer&& other) noexcept {
    Swap(other);
}

PixelBuffer& PixelBuffer::operator=(PixelBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        Swap(other);
    }
    return *this;
}

void PixelBuffer::Swap(PixelBuffer& other) noexcept {
    std::swap(m_data, other.m_data);
    std::swap(m_capacity, other.m_capacity);
    std::swap(m_mappedBytes, other.m_mappedBytes);
    std::swap(m_mapping, other.m_mapping);
}

void PixelBuffer::Release() {
    if (m_mappedBytes != 0) {
        ::munmap(m_mapping, m_mappedBytes);
    } else {
        std::free(m_data);
    }
    m_data = nullptr;
    m_capacity = 0;
    m_mappedBytes = 0;
    m_mapping = nullptr;
}

bool PixelBuffer::Reserve(std::size_t count, bool* fresh) {
    if (fresh != nullptr) *fresh = false;
    if (count <= m_capacity) return true;
    if (count > SIZE_MAX / sizeof(Pixel) - kHugePage) return false;
    const std::size_t bytes = count * sizeof(Pixel);

    PixelBuffer replacement;
    if (bytes >= kMapThreshold) {
        // Map a little more than needed so the block can start on a huge-page boundary.
        const std::size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage + kHugePage;
        void* mapping = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapping == MAP_FAILED) return false;
        const auto base = reinterpret_cast<std::uintptr_t>(mapping);
        const std::uintptr_t aligned = (base + kHugePage - 1) / kHugePage * kHugePage;
        ::madvise(reinterpret_cast<void*>(aligned), length - (aligned - base), MADV_HUGEPAGE);
        replacement.m_mapping = mapping;
        replacement.m_mappedBytes = length;
        replacement.m_data = reinterpret_cast<Pixel*>(aligned);
        if (fresh != nullptr) *fresh = true;
    } else {
        replacement.m_data = static_cast<Pixel*>(std::malloc(bytes));
        if (replacement.m_data == nullptr) return false;
    }
    replacement.m_capacity = count;
    Swap(replacement);
    return true;
}
