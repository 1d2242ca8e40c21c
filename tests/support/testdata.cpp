#include "testdata.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

Record makeRecord(const QStringList& fields) {
    Record r;
    for (int i = 0; i < kFieldCount && i < fields.size(); ++i)
        r.setField(static_cast<Field>(i), fields[i]);
    return r;
}

QByteArray recordBytes(const QStringList& fields) {
    return QByteArray(makeRecord(fields).data(), kRecordSize);
}

QByteArray recordsBytes(const QList<QStringList>& contacts) {
    QByteArray bytes("");
    for (const QStringList& fields : contacts)
        bytes += recordBytes(fields);
    return bytes;
}

SampleContacts::SampleContacts()
    : SampleContacts(
          QStringList{u"Névjegy #"_s, u"Győr"_s, u"9021"_s, u"Fő utca #"_s, u"06-1-#"_s}) {}

SampleContacts::SampleContacts(const QStringList& patterns)
    : m_patterns(patterns) {}

SampleContacts::SampleContacts(FieldsOf fieldsOf)
    : m_fieldsOf(fieldsOf) {}

QStringList SampleContacts::fields(int n) const {
    if (m_fieldsOf)
        return m_fieldsOf(n);
    QStringList out;
    for (const QString& pattern : m_patterns) {
        QString text;
        for (qsizetype i = 0; i < pattern.size();) {
            qsizetype run = 0;
            while (i + run < pattern.size() && pattern[i + run] == u'#')
                ++run;
            if (run == 0) {
                text += pattern[i++];
            } else {
                text += QString::number(n).rightJustified(run, u'0');
                i += run;
            }
        }
        out.append(text);
    }
    return out;
}

QByteArray SampleContacts::record(int n) const {
    return recordBytes(fields(n));
}

QByteArray SampleContacts::records(const QList<int>& numbers) const {
    QByteArray out;
    for (int n : numbers)
        out += record(n);
    return out;
}

QByteArray SampleContacts::records(int first, int count) const {
    QByteArray out;
    out.reserve(qsizetype(count) * kRecordSize);
    for (int n = first; n < first + count; ++n)
        out += record(n);
    return out;
}

QList<qint64> oneTo(qint64 n) {
    QList<qint64> numbers;
    for (qint64 i = 1; i <= n; ++i)
        numbers.append(i);
    return numbers;
}

QByteArray readFile(const QString& path, bool* exists) {
    QFile f(path);
    const bool opened = f.open(QIODevice::ReadOnly);
    if (exists)
        *exists = opened;
    return opened ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}
