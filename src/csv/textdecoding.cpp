#include "csv/textdecoding.h"

void EncodingSniffer::feed(QByteArrayView bytes) {
    for (qsizetype i = 0; i < bytes.size() && m_valid; ++i) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        if (m_seen < 3) {
            m_first[m_seen] = b;
            if (m_seen == 2 && m_first[0] == 0xEF && m_first[1] == 0xBB && m_first[2] == 0xBF)
                m_bom = true;
        }
        ++m_seen;
        if (m_need > 0) {
            if (b < m_lowest || b > m_highest) {
                m_valid = false;
                break;
            }
            m_lowest = 0x80;
            m_highest = 0xBF;
            --m_need;
            continue;
        }
        if (b < 0x80)
            continue;
        m_multiByte = true;
        const Utf8Lead lead = utf8Lead(b);
        if (lead.continuations == 0) {
            m_valid = false;
            break;
        }
        m_need = lead.continuations;
        m_lowest = lead.lowest;
        m_highest = lead.highest;
    }
}

TextEncoding EncodingSniffer::encoding() const {
    if (m_bom)
        return TextEncoding::Utf8;
    // A sequence cut off by the end of the file is no valid UTF-8.
    return m_valid && m_need == 0 && m_multiByte ? TextEncoding::Utf8 : TextEncoding::Windows1250;
}
