#include "list/distincttexts.h"

#include <functional>

std::uint32_t DistinctTexts::hashOf(std::string_view text) {
    const std::size_t h = std::hash<std::string_view>{}(text);
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

std::uint32_t DistinctTexts::idOf(std::string_view text, std::uint32_t hash) {
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint64_t slot = m_slots[i];
        if (slot == 0) {
            const auto id = static_cast<std::uint32_t>(size());
            m_slots[i] = (std::uint64_t(hash) << 32) | (id + 1);
            m_texts.insert(m_texts.end(), text.begin(), text.end());
            m_start.push_back(m_texts.size());
            // At most half the slots in use keeps the runs of used slots short.
            if (2 * size() > m_slots.size())
                grow();
            return id;
        }
        if (static_cast<std::uint32_t>(slot >> 32) == hash) {
            const auto id = static_cast<std::uint32_t>(slot) - 1;
            if (this->text(id) == text)
                return id;
        }
    }
}

void DistinctTexts::grow() {
    ListVector<std::uint64_t> slots(m_slots.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint64_t slot : m_slots) {
        if (slot == 0)
            continue;
        std::size_t i = (slot >> 32) & mask;
        while (slots[i] != 0)
            i = (i + 1) & mask;
        slots[i] = slot;
    }
    m_slots = std::move(slots);
}
