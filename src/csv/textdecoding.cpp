#include "textdecoding.h"

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
        m_lowest = 0x80;
        m_highest = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            m_need = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            m_need = 2;
            if (b == 0xE0)
                m_lowest = 0xA0;
            else if (b == 0xED)
                m_highest = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            m_need = 3;
            if (b == 0xF0)
                m_lowest = 0x90;
            else if (b == 0xF4)
                m_highest = 0x8F;
        } else {
            m_valid = false;
        }
    }
}

TextEncoding EncodingSniffer::encoding() const {
    if (m_bom)
        return TextEncoding::Utf8;
    // A sequence cut off by the end of the file is no valid UTF-8.
    return m_valid && m_need == 0 && m_multiByte ? TextEncoding::Utf8 : TextEncoding::Windows1250;
}
