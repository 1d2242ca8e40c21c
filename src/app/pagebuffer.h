#pragma once

#include <cstddef>

// A growable block of raw memory for the large arrays behind the record list. Large blocks are
// mapped straight from the system and, where it offers them, backed by huge pages: filling a
// list of a million rows then costs a few hundred page faults instead of tens of thousands.
// Untouched room costs no memory, so a generous reservation is cheap.
class PageBuffer {
public:
    PageBuffer() = default;
    ~PageBuffer();
    PageBuffer(PageBuffer&& other) noexcept;
    PageBuffer& operator=(PageBuffer&& other) noexcept;
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;

    // Makes room for at least bytes in all; keeps the content. Throws std::bad_alloc.
    void reserve(std::size_t bytes);
    std::size_t capacity() const { return m_capacity; }
    char* data() { return m_data; }
    const char* data() const { return m_data; }

private:
    void release() noexcept;

    char* m_data = nullptr;
    std::size_t m_capacity = 0;
    bool m_mapped = false;
};
