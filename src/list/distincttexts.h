#pragma once

#include "list/listmemory.h"

#include <cstdint>
#include <string_view>
#include <vector>

// The distinct texts of a column, numbered from 0 in the order they first appear. Sorting a
// list collates each distinct text once; a million rows hold a few hundred thousand of them.
// An open-addressing table of (hash, number) keeps the lookups within a few megabytes, and the
// texts themselves are copied into one block, so that comparing a row's text with the one in
// the table reads memory close together rather than all over the list.
class DistinctTexts {
public:
    // The number of the text, given to it when it is new.
    std::uint32_t idOf(std::string_view text) { return idOf(text, hashOf(text)); }
    // The same, for a text whose hashOf() is known.
    std::uint32_t idOf(std::string_view text, std::uint32_t hash);
    static std::uint32_t hashOf(std::string_view text);
    // Starts loading the table's memory for a text about to be looked up: a table of a few
    // hundred thousand texts does not fit the processor's caches, and a lookup waits mostly
    // for memory.
    void prefetch(std::uint32_t hash) const {
#if defined(__GNUC__)
        __builtin_prefetch(&m_slots[hash & (m_slots.size() - 1)]);
#else
        (void)hash;
#endif
    }
    std::size_t size() const {
        return m_start.size() - 1;
    }
    std::string_view text(std::uint32_t id) const {
        return std::string_view(m_texts.data() + m_start[id], m_start[id + 1] - m_start[id]);
    }

private:
    void grow();

    ListVector<char> m_texts;
    ListVector<std::size_t> m_start = ListVector<std::size_t>(1, 0);
    // (hash << 32) | (number + 1) for a used slot, 0 for a free one.
    ListVector<std::uint64_t> m_slots = ListVector<std::uint64_t>(1024, 0);
};
