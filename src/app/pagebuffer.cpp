#include "pagebuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

constexpr std::size_t kMapThreshold = std::size_t(1) << 21; // 2 MiB, one huge page

std::size_t roundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

} // namespace

PageBuffer::~PageBuffer() {
    release();
}

PageBuffer::PageBuffer(PageBuffer&& other) noexcept
    : m_data(other.m_data)
    , m_capacity(other.m_capacity)
    , m_mapped(other.m_mapped) {
    other.m_data = nullptr;
    other.m_capacity = 0;
    other.m_mapped = false;
}

PageBuffer& PageBuffer::operator=(PageBuffer&& other) noexcept {
    if (this != &other) {
        release();
        m_data = other.m_data;
        m_capacity = other.m_capacity;
        m_mapped = other.m_mapped;
        other.m_data = nullptr;
        other.m_capacity = 0;
        other.m_mapped = false;
    }
    return *this;
}

void PageBuffer::release() noexcept {
#ifdef __linux__
    if (m_mapped) {
        ::munmap(m_data, m_capacity);
        m_data = nullptr;
        return;
    }
#endif
    std::free(m_data);
    m_data = nullptr;
}

void PageBuffer::reserve(std::size_t bytes) {
    if (bytes <= m_capacity)
        return;
    const std::size_t wanted = std::max({bytes, m_capacity + m_capacity / 2, std::size_t(4096)});
#ifdef __linux__
    if (wanted >= kMapThreshold) {
        const std::size_t size = roundUp(wanted, kMapThreshold);
        void* p = MAP_FAILED;
        if (m_mapped)
            p = ::mremap(m_data, m_capacity, size, MREMAP_MAYMOVE);
        else
            p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        ::madvise(p, size, MADV_HUGEPAGE);
        if (!m_mapped && m_data) {
            std::memcpy(p, m_data, m_capacity);
            std::free(m_data);
        }
        m_data = static_cast<char*>(p);
        m_capacity = size;
        m_mapped = true;
        return;
    }
#endif
    void* p = std::realloc(m_data, wanted);
    if (!p)
        throw std::bad_alloc();
    m_data = static_cast<char*>(p);
    m_capacity = wanted;
}
