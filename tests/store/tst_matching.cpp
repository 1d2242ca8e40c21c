// Trimming fields and finding search texts in them, checked against the plainest way of doing
// the same on the upper-cased bytes.
#include "store/bytepositions.h"
#include "store/cp1250.h"
#include "store/fieldmatcher.h"
#include "store/record.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <array>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

std::pair<int, int> plainTrim(const QByteArray& field) {
    int begin = 0;
    int end = static_cast<int>(field.size());
    while (end > 0 && field[end - 1] == ' ')
        --end;
    while (begin < end && field[begin] == ' ')
        ++begin;
    return {begin, end};
}

QByteArray upper(QByteArray bytes) {
    for (char& c : bytes)
        c = static_cast<char>(cp1250::upperTable()[static_cast<std::uint8_t>(c)]);
    return bytes;
}

// A field of the given width: text, blanks and the letters whose case matters, at random.
QByteArray randomField(QRandomGenerator& random, int width) {
    static const QByteArray pool =
        cp1250::encode(u"  aAbBkKoOvV \u00f6\u00d6\u0151\u0150\u00e1\u00c1"
                       u"\u0161\u0160sSzZ-.1x");
    QByteArray field(width, ' ');
    const int from = static_cast<int>(random.bounded(width + 1));
    const int to = from + static_cast<int>(random.bounded(width - from + 1));
    for (int i = from; i < to; ++i)
        field[i] = pool[static_cast<qsizetype>(random.bounded(pool.size()))];
    return field;
}

// The field in a record whose other bytes are all 'k', so that a look beyond the field's
// edges finds letters that are searched for.
Record recordWith(Field f, const QByteArray& field) {
    Record r;
    std::memset(r.data(), 'k', kRecordSize);
    std::memcpy(r.data() + layout(f).offset, field.constData(),
                static_cast<std::size_t>(layout(f).width));
    return r;
}

bool plainMatch(const QByteArray& field, const QByteArray& needle) {
    const auto [begin, end] = plainTrim(field);
    if (begin == end)
        return false;
    const auto [nb, ne] = plainTrim(needle);
    return upper(field.mid(begin, end - begin)).contains(upper(needle.mid(nb, ne - nb)));
}

} // namespace

class tst_matching : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void trimMatchesPlainTrim();
    void positionsMatchPlainLoop();
    void spellingsFitByteSet();
    void matcherCases_data();
    void matcherCases();
    void matcherMatchesPlainSearch();
};

void tst_matching::trimMatchesPlainTrim() {
    QRandomGenerator random(279);
    for (int width = 1; width <= 50; ++width) {
        for (int round = 0; round < 400; ++round) {
            const QByteArray field = randomField(random, width);
            const auto [begin, end] = trimBlanks(field.constData(), width);
            const auto [b, e] = plainTrim(field);
            QVERIFY2(begin == b && end == e, ("\"" + field + "\"").constData());
        }
    }
}

void tst_matching::positionsMatchPlainLoop() {
    QRandomGenerator random(1252);
    static const QByteArray pool = cp1250::encode(u" aAkK\u00e1\u00c1\u0151\u0150.");
    for (int i = 0; i < kFieldCount; ++i) {
        const FieldLayout f = kLayout[static_cast<std::size_t>(i)];
        for (int round = 0; round < 500; ++round) {
            Record r;
            for (int b = 0; b < kRecordSize; ++b)
                r.data()[b] = pool[static_cast<qsizetype>(random.bounded(pool.size()))];
            // Blanks of random lengths at both ends of the field, now and then all of it.
            const int from = static_cast<int>(random.bounded(f.width / 2 + 1));
            const int to = from + static_cast<int>(random.bounded(f.width - from + 1));
            for (int b = 0; b < f.width; ++b)
                if (b < from || b >= to)
                    r.data()[f.offset + b] = ' ';
            ByteSet set;
            QByteArray members;
            for (int n = 1 + static_cast<int>(random.bounded(ByteSet::kCapacity)); n > 0; --n) {
                members += pool[static_cast<qsizetype>(random.bounded(pool.size()))];
                QVERIFY(set.add(static_cast<std::uint8_t>(members.back())));
            }
            std::uint64_t expected = 0;
            for (int b = 0; b < f.width; ++b)
                if (members.contains(r.data()[f.offset + b]))
                    expected |= std::uint64_t(1) << b;
            QCOMPARE(set.positionsIn(r.data(), f), expected);
            // The field's text as the list cuts it out.
            const QByteArray field(r.data() + f.offset, f.width);
            const BlankTrimmed text = textSpan(r.data(), f);
            const auto [begin, end] = plainTrim(field);
            QCOMPARE(text.begin, begin);
            QCOMPARE(text.end, end);
        }
    }
    QVERIFY(!ByteSet().positionsIn(Record().data(), kLayout[0]));
}

// The search looks for every spelling of a letter at once, in a set of limited size.
void tst_matching::spellingsFitByteSet() {
    std::array<int, 256> spellings{};
    for (std::uint8_t up : cp1250::upperTable())
        ++spellings[up];
    QVERIFY(*std::max_element(spellings.begin(), spellings.end()) <= ByteSet::kCapacity);
}

void tst_matching::matcherCases_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("found");
    const int nev = static_cast<int>(Field::Nev);
    const int telepules = static_cast<int>(Field::Telepules);
    const int cim = static_cast<int>(Field::Cim);
    const int irszam = static_cast<int>(Field::Irszam);
    QTest::newRow("start") << nev << u"Kovács János"_s << u"kov"_s << true;
    QTest::newRow("accented first letter") << nev << u"Pödör Lőrinc"_s << u"ŐRINC"_s << true;
    QTest::newRow("whole width") << nev << QString(40, u'x') << QString(40, u'X') << true;
    QTest::newRow("longer than the field") << irszam << u"1234"_s << u"12345"_s << false;
    QTest::newRow("in the last word of an odd width")
        << telepules << u"                    Győr"_s << u"győr"_s << true;
    QTest::newRow("at the very end of an odd width")
        << telepules << u"                     Pécs"_s << u"écs"_s << true;
    QTest::newRow("cut by the field's end")
        << telepules << u"                     Pécs"_s << u"pécsi"_s << false;
    QTest::newRow("blank inside") << cim << u"Fő utca 1."_s << u"ő u"_s << true;
    QTest::newRow("blanks around the typed text") << cim << u"Fő utca 1."_s << u"  utca "_s << true;
    QTest::newRow("empty text, filled field") << nev << u"Kiss"_s << QString() << true;
    QTest::newRow("empty text, empty field") << nev << QString() << QString() << false;
    QTest::newRow("blanks only typed, empty field") << nev << QString() << u"   "_s << false;
    QTest::newRow("character the code page lacks") << nev << u"Kiss"_s << u"K€ß☃"_s << false;
    QTest::newRow("short field, byte by byte") << irszam << u"7623"_s << u"62"_s << true;
    QTest::newRow("hit only after a false start") << nev << u"Kokokoska"_s << u"kokos"_s << true;
}

void tst_matching::matcherCases() {
    QFETCH(int, field);
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, found);
    const auto f = static_cast<Field>(field);
    Record r;
    r.setField(f, stored);
    QCOMPARE(FieldMatcher(f, typed).matches(r.data()), found);
}

void tst_matching::matcherMatchesPlainSearch() {
    QRandomGenerator random(1250);
    int found = 0;
    for (Field f :
         {Field::Nev, Field::Telepules, Field::Irszam, Field::Cim, Field::Tel2, Field::Megj}) {
        const int width = layout(f).width;
        for (int round = 0; round < 3000; ++round) {
            const QByteArray field = randomField(random, width);
            // Half the needles are taken from the field itself, so that many are found.
            QByteArray needle = randomField(random, 1 + static_cast<int>(random.bounded(4)));
            if (random.bounded(2) == 0) {
                const int at = static_cast<int>(random.bounded(width));
                needle = field.mid(at, 1 + random.bounded(width - at));
            }
            const bool expected = plainMatch(field, needle);
            const FieldMatcher matcher(f, cp1250::decode(needle));
            QVERIFY2(matcher.matches(recordWith(f, field).data()) == expected,
                     ("\"" + field + "\" / \"" + needle + "\"").constData());
            found += expected ? 1 : 0;
        }
    }
    QVERIFY(found > 3000); // the comparison saw hits as well as misses
}

QTEST_GUILESS_MAIN(tst_matching)
#include "tst_matching.moc"
