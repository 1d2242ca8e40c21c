#include "store/record.h"

#include "store/cp1250.h"

#include <algorithm>
#include <cstring>

QByteArrayView trimmedBlanks(QByteArrayView bytes) {
    const BlankTrimmed t = trimBlanks(bytes.data(), static_cast<int>(bytes.size()));
    return bytes.sliced(t.begin, t.end - t.begin);
}

Record::Record() {
    m_bytes.fill(' ');
}

Record Record::fromBytes(const char* bytes) {
    Record r;
    std::memcpy(r.m_bytes.data(), bytes, kRecordSize);
    return r;
}

void Record::setField(Field f, QStringView value) {
    const FieldLayout l = layout(f);
    const QByteArray bytes = cp1250::encode(value);
    const qsizetype n = std::min<qsizetype>(bytes.size(), l.width);
    char* dst = m_bytes.data() + l.offset;
    std::memcpy(dst, bytes.constData(), static_cast<size_t>(n));
    std::memset(dst + n, ' ', static_cast<size_t>(l.width - n));
}

QByteArrayView Record::fieldBytes(Field f) const {
    const FieldLayout l = layout(f);
    return QByteArrayView(m_bytes.data() + l.offset, l.width);
}

QString Record::rawField(Field f) const {
    return cp1250::decode(fieldBytes(f));
}

QString Record::displayField(Field f) const {
    return cp1250::decode(trimmedBlanks(fieldBytes(f)));
}
