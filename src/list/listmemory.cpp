#include "list/listmemory.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace listmemory {

namespace {

bool mapped(std::size_t bytes) {
#ifdef __linux__
    return bytes >= kHugePage;
#else
    (void)bytes;
    return false;
#endif
}

[[maybe_unused]] std::size_t roundUp(std::size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

} // namespace

void* allocate(std::size_t bytes) {
    if (!mapped(bytes))
        return ::operator new(bytes);
#ifdef __linux__
    const std::size_t size = roundUp(bytes);
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    // Only a hint: without huge pages the block works all the same.
    (void)::madvise(p, size, MADV_HUGEPAGE);
    return p;
#else
    return ::operator new(bytes);
#endif
}

void release(void* block, std::size_t bytes) noexcept {
    if (!block)
        return;
    if (!mapped(bytes)) {
        ::operator delete(block);
        return;
    }
#ifdef __linux__
    ::munmap(block, roundUp(bytes));
#endif
}

} // namespace listmemory
