// The generated registers must look like real ones to the program, or the figures measured on
// them say little: every record readable, every field in its place and shape, accents as often
// as in real Hungarian names, and the same register from the same seed.
#include "generator.h"

#include "store/cp1250.h"
#include "store/datastore.h"
#include "testdata.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

namespace {

constexpr qint64 kCount = 4000;

std::vector<Record> readAll(const QString& folder) {
    std::vector<Record> records;
    const MaybeError err = DataStore(folder).forEachRecord([&](const char* p, qint64, qint64 n) {
        for (qint64 i = 0; i < n; ++i)
            records.push_back(Record::fromBytes(p + i * kRecordSize));
    });
    if (err)
        qFatal("%s", qPrintable(err->message()));
    return records;
}

} // namespace

class tst_contactgen : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everyFieldIsCleanWindows1250();
    void fieldShapes_data();
    void fieldShapes();
    void namesCarryHungarianAccents();
    void postcodeMatchesSettlement();
    void sameSeedSameRegister();
    void replacesLongerFile();
    void emptyRegister();
    void failureIsReported();

private:
    QTemporaryDir m_dir;
    std::vector<Record> m_records;
};

void tst_contactgen::initTestCase() {
    QVERIFY(m_dir.isValid());
    const QString path = DataStore(m_dir.path()).dataPath();
    QCOMPARE(contactgen::writeRegister(path, kCount), QString());
    QCOMPARE(QFileInfo(path).size(), kCount * kRecordSize);
    m_records = readAll(m_dir.path());
    QCOMPARE(static_cast<qint64>(m_records.size()), kCount);
}

void tst_contactgen::everyFieldIsCleanWindows1250() {
    // Bytes that decode and encode back unchanged, no control characters (a stray byte of
    // UTF-8 or a terminator would show as one), and every value starting at the field's left.
    for (const Record& r : m_records) {
        for (int f = 0; f < kFieldCount; ++f) {
            const QByteArrayView bytes = r.fieldBytes(static_cast<Field>(f));
            const QString text = cp1250::decode(bytes);
            QCOMPARE(cp1250::encodeExact(text).value_or(QByteArray()), bytes.toByteArray());
            for (QChar c : text)
                QVERIFY2(c.unicode() >= 32 && (c.unicode() < 0x7F || c.unicode() > 0x9F),
                         qPrintable(text));
            QVERIFY2(!bytes.startsWith(' ') || trimmedBlanks(bytes).isEmpty(), qPrintable(text));
        }
    }
}

void tst_contactgen::fieldShapes_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<double>("minFilled");
    QTest::addColumn<double>("maxFilled");

    const QString phone =
        QStringLiteral(R"(^(06-1-\d{3}-\d{4}|06-\d{2}-\d{3}-\d{3,4}|\+36 \d{2} \d{3} \d{4})$)");
    QTest::newRow("name") << int(Field::Nev)
                          << QStringLiteral(
                                 R"(^(dr\. |\p{Lu}\p{Ll}+né )?\p{Lu}\p{Ll}+( \p{Lu}\p{Ll}+){1,2}$)")
                          << 1.0 << 1.0;
    QTest::newRow("settlement") << int(Field::Telepules) << QStringLiteral(R"(^\p{Lu}\p{Ll}+$)")
                                << 0.93 << 0.995;
    QTest::newRow("postcode") << int(Field::Irszam) << QStringLiteral(R"(^[1-9]\d{3}$)") << 0.9
                              << 0.99;
    QTest::newRow("street")
        << int(Field::Cim)
        << QStringLiteral(R"(^\p{Lu}.* \d+(/[A-D]|\.)( [IV0-9]+\. em\. \d+\.| fsz\. \d\.)?$)")
        << 0.95 << 0.995;
    QTest::newRow("phone 1") << int(Field::Tel1) << phone << 0.9 << 0.99;
    QTest::newRow("phone 2") << int(Field::Tel2) << phone << 0.3 << 0.5;
    QTest::newRow("note") << int(Field::Megj) << QStringLiteral(R"(^\S(.*\S)?$)") << 0.25 << 0.45;
    QTest::newRow("e-mail") << int(Field::Mail)
                            << QStringLiteral(R"(^[a-z]+\.?[a-z]+\d{0,2}@[a-z-]+(\.[a-z]+)+$)")
                            << 0.35 << 0.55;
    QTest::newRow("web") << int(Field::Web)
                         << QStringLiteral(R"(^(https://)?www\.[a-z]+(-[a-z]+)?\.hu$)") << 0.04
                         << 0.13;
}

void tst_contactgen::fieldShapes() {
    QFETCH(int, field);
    QFETCH(QString, pattern);
    QFETCH(double, minFilled);
    QFETCH(double, maxFilled);
    const QRegularExpression re(pattern);
    QVERIFY(re.isValid());
    qint64 filled = 0;
    for (const Record& r : m_records) {
        const QString text = r.displayField(static_cast<Field>(field));
        if (text.isEmpty())
            continue;
        ++filled;
        QVERIFY2(re.match(text).hasMatch(), qPrintable(text));
    }
    const double share = static_cast<double>(filled) / kCount;
    QVERIFY2(share >= minFilled && share <= maxFilled, qPrintable(QString::number(share)));
}

void tst_contactgen::namesCarryHungarianAccents() {
    // The long double-acute letters are what a Latin-1 encoding would lose.
    QString seen;
    qint64 accented = 0;
    for (const Record& r : m_records) {
        const QString name = r.displayField(Field::Nev);
        bool any = false;
        for (QChar c : name) {
            if (c.unicode() > 127) {
                any = true;
                if (!seen.contains(c))
                    seen.append(c);
            }
        }
        accented += any ? 1 : 0;
    }
    const double share = static_cast<double>(accented) / kCount;
    QVERIFY2(share > 0.4 && share < 0.95, qPrintable(QString::number(share)));
    for (QChar c : QStringLiteral("áéíóöőúüűÁÉÍÓÖŐÚÜ"))
        QVERIFY2(seen.contains(c), qPrintable(QString(c)));
}

void tst_contactgen::postcodeMatchesSettlement() {
    struct Case {
        const char16_t* settlement;
        char firstDigit;
    };
    const Case cases[] = {{u"Budapest", '1'}, {u"Debrecen", '4'}, {u"Győr", '9'}, {u"Pécs", '7'}};
    for (const Case& c : cases) {
        qint64 seen = 0;
        for (const Record& r : m_records) {
            const QString postcode = r.displayField(Field::Irszam);
            if (r.displayField(Field::Telepules) != QStringView(c.settlement) || postcode.isEmpty())
                continue;
            ++seen;
            QCOMPARE(postcode.at(0).toLatin1(), c.firstDigit);
        }
        QVERIFY2(seen > 0, qPrintable(QString::fromUtf16(c.settlement)));
    }
}

void tst_contactgen::sameSeedSameRegister() {
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.dat"));
    const QString b = dir.filePath(QStringLiteral("b.dat"));
    const QString c = dir.filePath(QStringLiteral("c.dat"));
    QCOMPARE(contactgen::writeRegister(a, 500, 42), QString());
    QCOMPARE(contactgen::writeRegister(b, 500, 42), QString());
    QCOMPARE(contactgen::writeRegister(c, 500, 43), QString());
    QCOMPARE(readFile(a), readFile(b));
    QVERIFY(readFile(a) != readFile(c));
    // The file is the generator's sequence of records, block boundaries notwithstanding.
    contactgen::RegisterGenerator gen(42);
    const QByteArray bytes = readFile(a);
    for (int i = 0; i < 500; ++i)
        QCOMPARE(QByteArray(gen.next().data(), kRecordSize),
                 bytes.mid(i * kRecordSize, kRecordSize));
}

void tst_contactgen::replacesLongerFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Telefon.dat"));
    QCOMPARE(contactgen::writeRegister(path, 300), QString());
    QCOMPARE(contactgen::writeRegister(path, 20), QString());
    QCOMPARE(QFileInfo(path).size(), 20 * kRecordSize);
    QVERIFY(!QFileInfo::exists(path + QStringLiteral(".part")));
}

void tst_contactgen::emptyRegister() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Telefon.dat"));
    QCOMPARE(contactgen::writeRegister(path, 0), QString());
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(QFileInfo(path).size(), 0);
}

void tst_contactgen::failureIsReported() {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no-such-folder/Telefon.dat"));
    QVERIFY(!contactgen::writeRegister(missing, 10).isEmpty());
    QVERIFY(!QFileInfo::exists(missing));
    // A folder standing where the file should go: the rename fails, nothing is left behind.
    const QString folder = dir.filePath(QStringLiteral("taken"));
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/inside")));
    QVERIFY(!contactgen::writeRegister(folder, 10).isEmpty());
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral(".part")));
    QVERIFY(!contactgen::writeRegister(dir.filePath(QStringLiteral("x.dat")), -1).isEmpty());
}

QTEST_GUILESS_MAIN(tst_contactgen)
#include "tst_contactgen.moc"
