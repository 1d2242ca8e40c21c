#pragma once

#include <cstddef>
#include <new>
#include <vector>

// Memory for the large arrays behind the record list. A block of 2 MiB or more is mapped
// straight from the system and backed by huge pages where the system offers them: the first
// touch of each page is a fault, and on a virtual machine a fault can cost some ten
// microseconds, so a million rows in 4 KiB pages would spend most of a reload faulting. Smaller
// blocks come from the usual heap.
namespace listmemory {

inline constexpr std::size_t kHugePage = std::size_t(1) << 21;

void* allocate(std::size_t bytes);
void release(void* block, std::size_t bytes) noexcept;

template <class T> struct Allocator {
    using value_type = T;

    Allocator() = default;
    template <class U> Allocator(const Allocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(listmemory::allocate(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { listmemory::release(p, n * sizeof(T)); }

    template <class U> bool operator==(const Allocator<U>&) const noexcept { return true; }
};

} // namespace listmemory

// A vector for the list's large arrays.
template <class T> using ListVector = std::vector<T, listmemory::Allocator<T>>;
