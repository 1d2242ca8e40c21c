#include "store/cp1250.h"
#include "store/datastore.h"
#include "store/record.h"
#include "store/storeerror.h"
#include "testdata.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <cerrno>
#include <iconv.h>

using namespace Qt::StringLiterals;

namespace {

// One character through glibc's iconv; nothing when iconv refuses it.
std::optional<char32_t> iconvDecode(iconv_t cd, std::uint8_t byte) {
    char in = static_cast<char>(byte);
    char out[4];
    char* inPtr = &in;
    char* outPtr = out;
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
        return std::nullopt;
    const auto u = [&](int i) { return static_cast<char32_t>(static_cast<unsigned char>(out[i])); };
    return u(0) | u(1) << 8 | u(2) << 16 | u(3) << 24;
}

std::optional<std::uint8_t> iconvEncode(iconv_t cd, char32_t ch) {
    char in[4] = {static_cast<char>(ch & 0xFF), static_cast<char>(ch >> 8 & 0xFF),
                  static_cast<char>(ch >> 16 & 0xFF), static_cast<char>(ch >> 24)};
    char out[8];
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = sizeof in;
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
        outPtr - out != 1)
        return std::nullopt;
    return static_cast<std::uint8_t>(out[0]);
}

bool isUnassigned(int byte) {
    return byte == 0x81 || byte == 0x83 || byte == 0x88 || byte == 0x90 || byte == 0x98;
}

// Record numbers handed to forEachRecord, checking that the blocks follow each other.
QList<qint64> recordNumbers(const DataStore& store, MaybeError& err) {
    QList<qint64> numbers;
    err = store.forEachRecord([&](const char* records, qint64 first, qint64 count) {
        for (qint64 i = 0; i < count; ++i) {
            numbers.append(first + i);
            const Record r = Record::fromBytes(records + i * kRecordSize);
            for (int f = 0; f < kFieldCount; ++f)
                (void)r.displayField(static_cast<Field>(f));
        }
    });
    return numbers;
}

} // namespace

class tst_store : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void codePageAgreesWithIconv();
    void everyByteRoundTrips();
    void encodeMissingCharacter_data();
    void encodeMissingCharacter();
    void upperTableMatchesUnicode();
    void upperTableExamples_data();
    void upperTableExamples();
    void recordByteLayout();
    void fieldRules_data();
    void fieldRules();
    void recordCount_data();
    void recordCount();
    void appendPosition_data();
    void appendPosition();
    void beyondTwoGigabytes();
    void junkNeverCrashes();
    void deleteSeveral_data();
    void deleteSeveral();
    void errors_data();
    void errors();
};

void tst_store::codePageAgreesWithIconv() {
    iconv_t toUcs = iconv_open("UCS-4LE", "CP1250");
    iconv_t fromUcs = iconv_open("CP1250", "UCS-4LE");
    QVERIFY(toUcs != reinterpret_cast<iconv_t>(-1) && fromUcs != reinterpret_cast<iconv_t>(-1));
    for (int b = 0; b < 256; ++b) {
        const auto expected = iconvDecode(toUcs, static_cast<std::uint8_t>(b));
        QVERIFY2(expected.has_value() != isUnassigned(b), qPrintable(QString::number(b, 16)));
        if (expected)
            QCOMPARE(char32_t(cp1250::toUnicode(static_cast<std::uint8_t>(b))), *expected);
    }
    // The other direction over the whole basic plane: the same characters, the same bytes.
    for (char32_t ch = 0; ch < 0x10000; ++ch) {
        if (QChar::isSurrogate(ch))
            continue;
        const auto expected = iconvEncode(fromUcs, ch);
        const auto got = cp1250::fromUnicode(ch);
        if (!expected && got && isUnassigned(*got) && *got == ch)
            continue; // the C1 controls that stand for the unassigned bytes
        QVERIFY2(got == expected, qPrintable(QString::number(ch, 16)));
    }
    iconv_close(toUcs);
    iconv_close(fromUcs);
}

void tst_store::everyByteRoundTrips() {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = cp1250::decode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(cp1250::encode(text), all);
    QCOMPARE(cp1250::encodeExact(text), std::optional<QByteArray>(all));
}

void tst_store::encodeMissingCharacter_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Greek") << u"aΩb"_s << QByteArray("a?b");
    QTest::newRow("emoji is one character") << u"a😀b"_s << QByteArray("a?b");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + u'x' << QByteArray("?x");
    QTest::newRow("C1 control not in the code page") << QString(QChar(0x80)) << QByteArray("?");
    QTest::newRow("euro sign is") << u"€"_s << QByteArray("\x80");
}

void tst_store::encodeMissingCharacter() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(cp1250::encode(text), bytes);
    QCOMPARE(cp1250::encodeExact(text).has_value(), !bytes.contains('?'));
}

void tst_store::upperTableMatchesUnicode() {
    const auto& table = cp1250::upperTable();
    const auto upper = [](int b) {
        return QChar(cp1250::toUnicode(static_cast<std::uint8_t>(b))).toUpper();
    };
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b)
            QVERIFY2((table[a] == table[b]) == (upper(a) == upper(b)),
                     qPrintable(QStringLiteral("%1 %2").arg(a, 0, 16).arg(b, 0, 16)));
}

void tst_store::upperTableExamples_data() {
    QTest::addColumn<QString>("lower");
    QTest::addColumn<QString>("upper");
    QTest::newRow("ASCII") << u"az"_s << u"AZ"_s;
    QTest::newRow("double acute") << u"őű"_s << u"ŐŰ"_s;
    QTest::newRow("accents") << u"áéíóöúü"_s << u"ÁÉÍÓÖÚÜ"_s;
    QTest::newRow("Central European") << u"šśźłąľżşčř"_s << u"ŠŚŹŁĄĽŻŞČŘ"_s;
    QTest::newRow("no single upper case") << u"ßµ÷"_s << u"ßµ÷"_s;
}

void tst_store::upperTableExamples() {
    QFETCH(QString, lower);
    QFETCH(QString, upper);
    QByteArray bytes = cp1250::encode(lower);
    for (char& c : bytes)
        c = static_cast<char>(cp1250::upperTable()[static_cast<std::uint8_t>(c)]);
    QCOMPARE(cp1250::decode(bytes), upper);
}

void tst_store::recordByteLayout() {
    QTemporaryDir dir;
    DataStore store(dir.path());
    Record first;
    first.setField(Field::Nev, u"őűŐŰ"_s);
    Record third;
    // Each field filled to its width with its own letter shows where it lands.
    for (int f = 0; f < kFieldCount; ++f)
        third.setField(static_cast<Field>(f),
                       QString(layout(static_cast<Field>(f)).width, QChar(u'a' + f)));
    for (const Record* r : {&first, &first, &third})
        QVERIFY(!store.append(*r));

    const QByteArray file = readFile(store.dataPath());
    QCOMPARE(file.size(), 3 * 279);
    QCOMPARE(file.left(5), QByteArray("\xF5\xFB\xD5\xDB "));
    const QByteArray rec3 = file.mid(558);
    const int offsets[] = {0, 40, 65, 69, 119, 134, 149, 199, 239, 279};
    for (int f = 0; f < kFieldCount; ++f)
        QCOMPARE(rec3.mid(offsets[f], offsets[f + 1] - offsets[f]),
                 QByteArray(offsets[f + 1] - offsets[f], static_cast<char>('a' + f)));
    QCOMPARE(file.mid(598, 25), QByteArray(25, 'b')); // the settlement of record 3

    Record back;
    bool found = false;
    QVERIFY(!store.readRecord(1, back, found));
    QVERIFY(found);
    QCOMPARE(back.displayField(Field::Nev), u"őűŐŰ"_s);
    QVERIFY(!store.readRecord(3, back, found));
    QCOMPARE(back, third);
    QVERIFY(!store.readRecord(4, back, found));
    QVERIFY(!found);
}

void tst_store::fieldRules_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    const QString mail45 = u"kovacs.janos.istvan@nagyon-hosszu-szolgaltato.hu"_s.left(45);
    QTest::newRow("45-char e-mail cut to 40")
        << int(Field::Mail) << mail45 << mail45.left(40) << mail45.left(40);
    QTest::newRow("short name filled") << int(Field::Nev) << u"Kiss Ödön"_s
                                       << u"Kiss Ödön"_s + QString(31, u' ') << u"Kiss Ödön"_s;
    QTest::newRow("leading blanks kept, not shown")
        << int(Field::Nev) << u"  Kiss"_s << u"  Kiss"_s + QString(34, u' ') << u"Kiss"_s;
    QTest::newRow("blank name is empty")
        << int(Field::Nev) << QString(5, u' ') << QString(40, u' ') << QString();
    QTest::newRow("tabs are not blanks")
        << int(Field::Megj) << u"\tx\t"_s << u"\tx\t"_s + QString(47, u' ') << u"\tx\t"_s;
    QTest::newRow("postcode keeps 4 of 15")
        << int(Field::Irszam) << u"123456789012345"_s << u"1234"_s << u"1234"_s;
    QTest::newRow("3-char postcode") << int(Field::Irszam) << u"123"_s << u"123 "_s << u"123"_s;
    QTest::newRow("missing character stored as ?")
        << int(Field::Tel1) << u"☎ 123"_s << u"? 123"_s + QString(10, u' ') << u"? 123"_s;
}

void tst_store::fieldRules() {
    QFETCH(int, field);
    QFETCH(QString, value);
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    const Field f = static_cast<Field>(field);
    Record r;
    r.setField(Field::Nev, u"something longer than it will be"_s);
    r.setField(f, value);
    QCOMPARE(r.rawField(f), stored);
    QCOMPARE(r.displayField(f), shown);
    // The neighbours stay blank.
    for (int g = field + 1; g < kFieldCount; ++g)
        QCOMPARE(r.rawField(static_cast<Field>(g)).trimmed(), QString());
}

void tst_store::recordCount_data() {
    QTest::addColumn<int>("length"); // -1: no file
    QTest::addColumn<int>("records");
    QTest::newRow("missing") << -1 << 0;
    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("short of one") << 278 << 0;
    QTest::newRow("558 bytes") << 558 << 2;
    QTest::newRow("600 bytes") << 600 << 2;
    QTest::newRow("many blocks") << 279 * 40000 + 17 << 40000;
}

void tst_store::recordCount() {
    QFETCH(int, length);
    QFETCH(int, records);
    QTemporaryDir dir;
    DataStore store(dir.path());
    if (length >= 0)
        writeFile(store.dataPath(), QByteArray(length, 'x'));
    MaybeError err;
    QCOMPARE(recordNumbers(store, err), oneTo(records));
    QVERIFY(!err);
    // A missing file is created empty; an existing one is left as it was.
    QCOMPARE(QFileInfo(store.dataPath()).size(), qMax(length, 0));
}

void tst_store::appendPosition_data() {
    QTest::addColumn<qint64>("length");
    QTest::addColumn<qint64>("recNo");
    QTest::newRow("empty") << qint64(0) << qint64(1);
    QTest::newRow("whole") << qint64(558) << qint64(3);
    QTest::newRow("1 byte over") << qint64(559) << qint64(3);
    QTest::newRow("139 over") << qint64(558 + 139) << qint64(3);
    QTest::newRow("140 over") << qint64(558 + 140) << qint64(4);
    QTest::newRow("278 over") << qint64(558 + 278) << qint64(4);
}

void tst_store::appendPosition() {
    QFETCH(qint64, length);
    QFETCH(qint64, recNo);
    QCOMPARE(DataStore::appendNumber(length), recNo);
}

void tst_store::beyondTwoGigabytes() {
    QTemporaryDir dir;
    DataStore store(dir.path());
    const qint64 n = 8'000'000; // starts past 2 GiB
    Record r;
    r.setField(Field::Nev, u"Messze Mária"_s);
    {
        QFile f(store.dataPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (!f.resize((n - 1) * kRecordSize)) // sparse where the file system allows
            QSKIP("This file system cannot hold a file of that size");
        QVERIFY(f.seek((n - 1) * kRecordSize));
        QCOMPARE(f.write(r.data(), kRecordSize), qint64(kRecordSize));
    }
    Record back;
    bool found = false;
    QVERIFY(!store.readRecord(n, back, found));
    QVERIFY(found);
    QCOMPARE(back, r);
    qint64 appended = 0;
    QVERIFY(!store.append(r, appended));
    QCOMPARE(appended, n + 1);
    QCOMPARE(QFileInfo(store.dataPath()).size(), (n + 1) * kRecordSize);
}

void tst_store::junkNeverCrashes() {
    QTemporaryDir dir;
    DataStore store(dir.path());
    QRandomGenerator random(1250);
    QList<QByteArray> files = {QByteArray(3 * 279 + 5, '\0'), QByteArray(2 * 279, '\xFF')};
    for (int i = 0; i < 40; ++i) {
        QByteArray junk(random.bounded(3000), Qt::Uninitialized);
        for (char& c : junk)
            c = static_cast<char>(random.bounded(256));
        files.append(junk);
    }
    for (const QByteArray& junk : files) {
        writeFile(store.dataPath(), junk);
        MaybeError err;
        QCOMPARE(recordNumbers(store, err), oneTo(junk.size() / kRecordSize));
        QVERIFY(!err);
        Record r;
        bool found = false;
        QVERIFY(!store.readRecord(junk.size() / kRecordSize + 1, r, found));
        QVERIFY(!found);
    }
}

void tst_store::deleteSeveral_data() {
    QTest::addColumn<QList<qint64>>("numbers");
    QTest::addColumn<QList<int>>("left"); // empty with the file unchanged: nothing is removed
    QTest::newRow("one in the middle") << QList<qint64>{3} << QList<int>{1, 2, 4, 5};
    QTest::newRow("first and last") << QList<qint64>{1, 5} << QList<int>{2, 3, 4};
    QTest::newRow("neighbours") << QList<qint64>{2, 3, 4} << QList<int>{1, 5};
    QTest::newRow("apart") << QList<qint64>{2, 4} << QList<int>{1, 3, 5};
    QTest::newRow("all") << QList<qint64>{1, 2, 3, 4, 5} << QList<int>{};
    QTest::newRow("one missing") << QList<qint64>{2, 6} << QList<int>{};
    QTest::newRow("out of order") << QList<qint64>{4, 2} << QList<int>{};
    QTest::newRow("repeated") << QList<qint64>{2, 2} << QList<int>{};
    QTest::newRow("none") << QList<qint64>{} << QList<int>{};
}

void tst_store::deleteSeveral() {
    QFETCH(QList<qint64>, numbers);
    QFETCH(QList<int>, left);
    QTemporaryDir dir;
    const DataStore store(dir.path());
    const SampleContacts contacts;
    // A torn last record goes with the copy, as with a single deletion.
    writeFile(store.dataPath(), contacts.records(1, 5) + "torn");
    RecordDeletion deletion(store);
    QVERIFY(!deletion.begin({numbers.begin(), numbers.end()}));
    const bool valid = !left.isEmpty() || numbers.size() == 5;
    QCOMPARE(deletion.hasRecord(), valid);
    if (!valid) {
        deletion.cancel();
        QCOMPARE(readFile(store.dataPath()), contacts.records(1, 5) + "torn");
        return;
    }
    for (qsizetype i = 0; i < numbers.size(); ++i)
        QCOMPARE(QByteArray(deletion.records()[size_t(i)].data(), kRecordSize),
                 contacts.record(int(numbers[i])));
    QVERIFY(!deletion.commit());
    QCOMPARE(readFile(store.dataPath()), left.isEmpty() ? QByteArray("") : contacts.records(left));
}

void tst_store::errors_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("code");
    QTest::newRow("folder missing") << u"missing"_s << int(StoreError::Action::Create) << ENOENT;
    // A folder below a regular file cannot exist, not even for root.
    QTest::newRow("folder is a file") << u"file"_s << int(StoreError::Action::Open) << ENOTDIR;
    QTest::newRow("Telefon.dat is a folder")
        << u"dirfile"_s << int(StoreError::Action::Open) << EISDIR;
    // Opening a named pipe would wait for a writer for ever.
    QTest::newRow("Telefon.dat is a pipe") << u"fifo"_s << int(StoreError::Action::Open) << 0;
}

void tst_store::errors() {
    QFETCH(QString, setup);
    QFETCH(int, action);
    QFETCH(int, code);
    QTemporaryDir dir;
    QString folder = dir.filePath(u"sub"_s);
    if (setup == u"file") {
        writeFile(dir.filePath(u"plain"_s), "x");
        folder = dir.filePath(u"plain"_s);
    } else if (setup == u"dirfile") {
        QVERIFY(QDir(folder).mkpath(u"Telefon.dat"_s));
    } else if (setup == u"fifo") {
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(::mkfifo(QFile::encodeName(folder + u"/Telefon.dat"_s).constData(), 0600), 0);
    }
    DataStore store(folder);
    Record r;
    bool flag = false;
    const MaybeError results[] = {
        store.forEachRecord([](const char*, qint64, qint64) { QFAIL("no record expected"); }),
        store.readRecord(1, r, flag), store.append(r), store.modify(1, r, flag)};
    for (const MaybeError& err : results) {
        QVERIFY(err.has_value());
        QCOMPARE(int(err->action), action);
        QCOMPARE(err->code, code);
        QCOMPARE(err->path, store.dataPath());
        QVERIFY2(err->message().contains(QDir::toNativeSeparators(store.dataPath())),
                 qPrintable(err->message()));
        QVERIFY2(!err->message().contains(u"Rendszerhiba"_s), qPrintable(err->message()));
    }
    QVERIFY(!QFileInfo(store.dataPath()).isFile());
}

QTEST_GUILESS_MAIN(tst_store)
#include "tst_store.moc"
