#include "csv/textdecoding.h"

void EncodingSniffer::feed(QByteArrayView bytes) {
    for (qsizetype i = 0; i < bytes.size() && !decided(); ++i) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        if (m_seen < 3) {
            m_first[m_seen] = b;
            if (m_seen == 1 && m_first[0] == 0xFF && b == 0xFE)
                m_utf16 = TextEncoding::Utf16LE;
            else if (m_seen == 1 && m_first[0] == 0xFE && b == 0xFF)
                m_utf16 = TextEncoding::Utf16BE;
            if (m_seen == 2 && m_first[0] == 0xEF && m_first[1] == 0xBB && m_first[2] == 0xBF)
                m_bom = true;
        }
        ++m_seen;
        // Neither mark byte of UTF-16 is valid UTF-8: the second byte is looked at all the same.
        if (!m_valid)
            continue;
        if (m_need > 0) {
            if (b < m_lowest || b > m_highest) {
                m_valid = false;
                continue;
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
            continue;
        }
        m_need = lead.continuations;
        m_lowest = lead.lowest;
        m_highest = lead.highest;
    }
}

TextEncoding EncodingSniffer::encoding() const {
    if (m_utf16 != TextEncoding::Windows1250)
        return m_utf16;
    if (m_bom)
        return TextEncoding::Utf8;
    // A sequence cut off by the end of the file is no valid UTF-8.
    return m_valid && m_need == 0 && m_multiByte ? TextEncoding::Utf8 : TextEncoding::Windows1250;
}
