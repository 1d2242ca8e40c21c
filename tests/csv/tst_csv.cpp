// The CSV formats on real files: the export line and file, the import's splitting and decoding,
// and the batch that appends the imported contacts to Telefon.dat.
#include "csv/csvexport.h"
#include "csv/csvimport.h"
#include "csv/csvsplitter.h"
#include "csv/textdecoding.h"
#include "store/appendbatch.h"
#include "store/cp1250.h"
#include "store/datastore.h"
#include "vcard/vcardtext.h"
#include "windowharness.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Lines = QList<QStringList>; // contacts, each field in the import order

// The import order is name, postcode, settlement, then the rest as in the record.
QByteArray importedRecord(const QStringList& f) {
    QStringList record = f;
    while (record.size() < kFieldCount)
        record << QString();
    record.swapItemsAt(1, 2);
    return recordBytes(record);
}

QByteArray importedRecords(const Lines& lines) {
    QByteArray out;
    for (const QStringList& l : lines)
        out += importedRecord(l);
    return out;
}

QByteArray padded(const QString& text, int width) {
    return cp1250::encode(text).leftJustified(width, ' ', true);
}

// The export line written out field by field, as a reader of the file would expect it.
QByteArray expectedLine(const QStringList& f) {
    return padded(f.value(0), 40) + padded(f.value(1), 25) + ';' + padded(f.value(2), 4) + ';' +
           padded(f.value(3), 50) + ';' + padded(f.value(4), 15) + ';' + padded(f.value(5), 15) +
           ';' + padded(f.value(6), 50) + ';' + padded(f.value(7), 40) + ';' +
           padded(f.value(8), 40) + ";\r\n";
}

const SampleContacts kSamples({QStringLiteral("Győri Ödön #"), QStringLiteral("Szeged"),
                               QStringLiteral("67#"), QStringLiteral("Fő tér #"),
                               QStringLiteral("62/555-#"), QString(), QStringLiteral("jegyzet"),
                               QStringLiteral("o#@pelda.hu"), QString()});

QByteArray utf8(const char* s) {
    return QByteArray(s);
}
QByteArray latin2(const QString& s) {
    return cp1250::encode(s);
}

// Splits a file the way the import does, but fed piece by piece, so that a character or a line
// break cut between two reads is covered too.
Lines splitInPieces(const QByteArray& file, qsizetype piece) {
    EncodingSniffer sniffer;
    for (qsizetype i = 0; i < file.size(); i += piece)
        sniffer.feed(QByteArrayView(file).sliced(i, std::min(piece, file.size() - i)));
    Windows1250Decoder decoder(sniffer.encoding());
    CsvSplitter splitter;
    Lines lines;
    auto onLine = [&lines](const CsvSplitter& s) {
        const Record r = s.record();
        QStringList f;
        for (Field field : {Field::Nev, Field::Irszam, Field::Telepules, Field::Cim, Field::Tel1,
                            Field::Tel2, Field::Megj, Field::Mail, Field::Web})
            f << r.displayField(field);
        while (!f.isEmpty() && f.last().isEmpty())
            f.removeLast();
        lines << f;
    };
    auto put = [&](char c) { splitter.put(c, onLine); };
    for (qsizetype i = 0; i < file.size(); i += piece)
        decoder.feed(QByteArrayView(file).sliced(i, std::min(piece, file.size() - i)), put);
    decoder.finish(put);
    splitter.finish(onLine);
    return lines;
}

enum class Spelling { Same, Dotted, SymLink, HardLink };

// A name for folder's Telefon.dat other than its own.
QString otherName(const QString& folder, Spelling how) {
    const QString data = QDir(folder).filePath(QStringLiteral("Telefon.dat"));
    switch (how) {
    case Spelling::Same:
        return data;
    case Spelling::Dotted:
        QDir(folder).mkdir(QStringLiteral("sub"));
        return folder + QStringLiteral("/sub/.././Telefon.dat");
    case Spelling::SymLink: {
        const QString link = QDir(folder).filePath(QStringLiteral("link.csv"));
        QFile::link(data, link);
        return link;
    }
    case Spelling::HardLink: {
        const QString link = QDir(folder).filePath(QStringLiteral("hard.csv"));
        ::link(QFile::encodeName(data).constData(), QFile::encodeName(link).constData());
        return link;
    }
    }
    return data;
}

} // namespace

class tst_csv : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exportLine_data() {
        QTest::addColumn<QStringList>("fields"); // in the record's order
        QTest::newRow("all empty") << QStringList();
        QTest::newRow("name of 12 characters")
            << QStringList{QStringLiteral("Kiss Ilona B"), QStringLiteral("Kiskunfélegyháza")};
        QTest::newRow("every field full")
            << QStringList{QString(40, u'n'), QString(25, u't'), QStringLiteral("9999"),
                           QString(50, u'c'), QString(15, u'1'), QString(15, u'2'),
                           QString(50, u'm'), QString(40, u'e'), QString(40, u'w')};
        QTest::newRow("Hungarian letters") << QStringList{QStringLiteral("Őry Űrs"),
                                                          QStringLiteral("Győr"),
                                                          QString(),
                                                          QStringLiteral("Árpád út"),
                                                          QString(),
                                                          QString(),
                                                          QStringLiteral("ő ű Ő Ű")};
        QTest::newRow("leading blanks kept")
            << QStringList{QStringLiteral("  Név"), QString(), QStringLiteral(" 12")};
        // Written unchanged, without quoting: a reader splitting at ";" finds more fields.
        QTest::newRow("separator and quotes inside fields")
            << QStringList{QStringLiteral("a;b"), QStringLiteral("\"x\"")};
    }
    void exportLine() {
        QFETCH(QStringList, fields);
        const QByteArray record = recordBytes(fields);
        QByteArray line(kExportLineSize, '\0');
        buildExportLine(record.constData(), line.data());

        QCOMPARE(line.size(), 289);
        QCOMPARE(line, expectedLine(fields));
        for (int offset : {65, 70, 121, 137, 153, 204, 245, 286})
            QCOMPARE(line[offset], ';');
        QCOMPARE(line.count(';'), 8 + fields.join(QString()).count(u';'));
        QCOMPARE(line.right(2), QByteArray("\r\n"));
        // Every byte of the record is there, in order, once the separators are taken out.
        QByteArray body = line.left(287);
        for (int offset : {286, 245, 204, 153, 137, 121, 70, 65})
            body.remove(offset, 1);
        QCOMPARE(body, record);
    }

    void exportFile_data() {
        QTest::addColumn<QByteArray>("data"); // Telefon.dat; null: none
        QTest::addColumn<QByteArray>("old");  // the target before; null: none
        QTest::addColumn<int>("records");

        QTest::newRow("no data file") << QByteArray() << QByteArray() << 0;
        QTest::newRow("empty register") << QByteArray("") << QByteArray() << 0;
        QTest::newRow("three records") << kSamples.records(1, 3) << QByteArray() << 3;
        QTest::newRow("incomplete last record ignored")
            << kSamples.records(1, 2) + QByteArray(42, 'x') << QByteArray() << 2;
        QTest::newRow("older, longer file replaced whole")
            << kSamples.records(1, 2) << QByteArray(5000, 'z') << 2;
        QTest::newRow("empty register over an old file")
            << QByteArray("") << QByteArray("old") << 0;
        QTest::newRow("more than one block")
            << kSamples.records(1, 1).repeated(9000) << QByteArray() << 9000;
    }
    void exportFile() {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, old);
        QFETCH(int, records);
        QTemporaryDir dir;
        const DataStore store(dir.path());
        if (!data.isNull())
            writeFile(store.dataPath(), data);
        const QString target = dir.filePath(QStringLiteral("lista"));
        if (!old.isNull())
            writeFile(target, old);

        const MaybeError err = exportCsv(store, target);
        QVERIFY2(!err, err ? qPrintable(err->message()) : "");

        const QByteArray out = readFile(target);
        QCOMPARE(out.size(), qsizetype(records) * 289);
        for (int i = 0; i < records; ++i) {
            QByteArray line(kExportLineSize, '\0');
            buildExportLine(data.constData() + i * kRecordSize, line.data());
            QCOMPARE(out.mid(qsizetype(i) * 289, 289), line);
        }
        if (records == 3)
            QCOMPARE(out.mid(289, 289), expectedLine(kSamples.fields(2)));
        QCOMPARE(readFile(store.dataPath()), data.isNull() ? QByteArray("") : data);
        QVERIFY(QFileInfo(store.dataPath()).isFile());
        // Nothing is left beside the two files.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 2);
    }

    void exportNewFileIsReadableByOthers() {
        // Replacing through a temporary file must not leave a file only its owner may read.
        QTemporaryDir dir;
        const DataStore store(dir.path());
        const mode_t old = ::umask(022);
        const QString target = dir.filePath(QStringLiteral("uj.csv"));
        const MaybeError err = exportCsv(store, target);
        ::umask(old);
        QVERIFY(!err);
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0644));
    }

    void dataFileRefused_data() {
        QTest::addColumn<Spelling>("spelling");
        QTest::addColumn<bool>("import");
        for (bool import : {false, true}) {
            const char* what = import ? "import" : "export";
            QTest::addRow("%s, its own path", what) << Spelling::Same << import;
            QTest::addRow("%s, another spelling", what) << Spelling::Dotted << import;
            QTest::addRow("%s, symbolic link", what) << Spelling::SymLink << import;
            QTest::addRow("%s, hard link", what) << Spelling::HardLink << import;
        }
    }
    void dataFileRefused() {
        QFETCH(Spelling, spelling);
        QFETCH(bool, import);
        QTemporaryDir dir;
        const DataStore store(dir.path());
        // Lines of a CSV file, so that reading it into itself would find contacts.
        const QByteArray data = kSamples.records(1, 2) + "a;b;c\r\n";
        writeFile(store.dataPath(), data);
        const QString name = otherName(dir.path(), spelling);

        MaybeError err;
        if (import)
            err = importCsv(store, name).error;
        else
            err = exportCsv(store, name);
        QVERIFY(err);
        QCOMPARE(err->path, name);
        QVERIFY2(err->message().contains(QStringLiteral("Telefon.dat")),
                 qPrintable(err->message()));
        QCOMPARE(readFile(store.dataPath()), data);
        if (spelling == Spelling::SymLink)
            QVERIFY(QFileInfo(name).isSymLink());
    }

    void encoding_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<TextEncoding>("encoding");
        const auto u = TextEncoding::Utf8;
        const auto w = TextEncoding::Windows1250;
        QTest::newRow("empty") << QByteArray() << w;
        QTest::newRow("ASCII") << QByteArray("Kiss;1041;Budapest\r\n") << w;
        QTest::newRow("byte-order mark alone") << QByteArray("\xEF\xBB\xBF") << u;
        QTest::newRow("byte-order mark, then invalid") << QByteArray("\xEF\xBB\xBF\xF5") << u;
        QTest::newRow("valid, two-byte letter") << utf8("Kov\xC3\xA1"
                                                        "cs")
                                                << u;
        QTest::newRow("valid, four bytes") << utf8("\xF0\x9F\x98\x80") << u;
        QTest::newRow("Windows-1250 letters") << latin2(QStringLiteral("Kovács Őrs")) << w;
        QTest::newRow("valid at first, a stray byte at the end") << utf8("Kov\xC3\xA1"
                                                                         "cs\xF5")
                                                                 << w;
        QTest::newRow("cut off at the end") << utf8("Kov\xC3") << w;
        QTest::newRow("surrogate") << utf8("\xED\xA0\x80") << w;
        QTest::newRow("UTF-16LE mark") << QByteArray("\xFF\xFE") << TextEncoding::Utf16LE;
        QTest::newRow("UTF-16BE mark, then invalid UTF-8")
            << QByteArray("\xFE\xFF\xC3") << TextEncoding::Utf16BE;
        QTest::newRow("one byte of a mark") << QByteArray("\xFF") << w;
    }
    // The CSV sniffer, the CSV decoder and the vCard reader take the same bytes for UTF-8 as
    // Qt's strict decoder does: every sequence of one to four bytes drawn from the bytes where
    // the rules change (ASCII, the edges of the continuation ranges, the lead bytes that
    // start, bend or end a range, and bytes that never occur).
    void utf8ReadersAgree() {
        static constexpr std::uint8_t kBytes[] = {0x41, 0x80, 0x8F, 0x90, 0x9F, 0xA0,
                                                  0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0,
                                                  0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
        constexpr int kCount = int(std::size(kBytes));
        int valid = 0;
        int checked = 0;
        for (int length = 1; length <= 4; ++length) {
            int combinations = 1;
            for (int i = 0; i < length; ++i)
                combinations *= kCount;
            for (int c = 0; c < combinations; ++c) {
                QByteArray bytes;
                for (int i = 0, rest = c; i < length; ++i, rest /= kCount)
                    bytes += char(kBytes[rest % kCount]);
                QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
                const QString text = strict(bytes);
                const bool isValid = !strict.hasError();
                valid += isValid ? 1 : 0;
                ++checked;
                const auto where = [&bytes] {
                    return qPrintable(QString::fromLatin1(bytes.toHex(' ')));
                };
                QVERIFY2(vcard::isUtf8(bytes) == isValid, where());
                EncodingSniffer sniffer;
                sniffer.feed(bytes);
                const bool multiByte = text.size() != bytes.size();
                QVERIFY2((sniffer.encoding() == TextEncoding::Utf8) == (isValid && multiByte),
                         where());
                QByteArray decoded;
                Windows1250Decoder decoder(TextEncoding::Utf8);
                const auto sink = [&decoded](char ch) { decoded += ch; };
                decoder.feed(bytes, sink);
                decoder.finish(sink);
                if (isValid)
                    QVERIFY2(decoded == cp1250::encode(text), where());
                else
                    QVERIFY2(decoded.contains('?'), where());
            }
        }
        QCOMPARE(checked, 18 + 18 * 18 + 18 * 18 * 18 + 18 * 18 * 18 * 18);
        QVERIFY(valid > 600); // well-formed sequences are among them, not only broken ones
    }

    void encoding() {
        QFETCH(QByteArray, bytes);
        QFETCH(TextEncoding, encoding);
        for (qsizetype piece : {qsizetype(1), qsizetype(1 << 20)}) {
            EncodingSniffer sniffer;
            for (qsizetype i = 0; i < bytes.size(); i += piece)
                sniffer.feed(QByteArrayView(bytes).sliced(i, std::min(piece, bytes.size() - i)));
            QCOMPARE(sniffer.encoding(), encoding);
        }
    }

    void importLines_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Lines>("lines");

        const QString kovacs = QStringLiteral("Kovács Őrs");
        QTest::newRow("empty file") << QByteArray() << Lines{};
        QTest::newRow("three fields: name, postcode, settlement")
            << QByteArray("Kiss;1041;Budapest\r\n")
            << Lines{{QStringLiteral("Kiss"), QStringLiteral("1041"), QStringLiteral("Budapest")}};
        QTest::newRow("all nine") << QByteArray("a;b;c;d;e;f;g;h;i\r\n")
                                  << Lines{{QStringLiteral("a"), QStringLiteral("b"),
                                            QStringLiteral("c"), QStringLiteral("d"),
                                            QStringLiteral("e"), QStringLiteral("f"),
                                            QStringLiteral("g"), QStringLiteral("h"),
                                            QStringLiteral("i")}};
        QTest::newRow("twelve fields: the rest ignored")
            << QByteArray("a;b;c;d;e;f;g;h;i;j;k;l;m\r\n")
            << Lines{{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                      QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("f"),
                      QStringLiteral("g"), QStringLiteral("h"), QStringLiteral("i")}};
        QTest::newRow("quotes around and inside dropped")
            << QByteArray("\"Kiss\";\"10\"41\";Bu\"\"dapest\r\n")
            << Lines{{QStringLiteral("Kiss"), QStringLiteral("1041"), QStringLiteral("Budapest")}};
        QTest::newRow("a ; between quotes still separates")
            << QByteArray("\"Kiss;Anna\";1041\r\n")
            << Lines{{QStringLiteral("Kiss"), QStringLiteral("Anna"), QStringLiteral("1041")}};
        QTest::newRow("blanks around trimmed, inside kept, tabs kept")
            << QByteArray("   Kiss  Anna   ;\t1041 ;  \tBudapest\t  \r\n")
            << Lines{{QStringLiteral("Kiss  Anna"), QStringLiteral("\t104"),
                      QStringLiteral("\tBudapest\t")}};
        QTest::newRow("long fields cut to their widths")
            << QByteArray("   " + QByteArray(45, 'n') + ";12345;" + QByteArray(30, 't') + "\r\n")
            << Lines{{QString(40, u'n'), QStringLiteral("1234"), QString(25, u't')}};
        QTest::newRow("blanks inside a long field")
            << QByteArray("ab" + QByteArray(100, ' ') + "cd\r\n") << Lines{{QStringLiteral("ab")}};
        QTest::newRow("empty line gives a blank contact")
            << QByteArray("a\r\n\r\nb\r\n")
            << Lines{{QStringLiteral("a")}, {}, {QStringLiteral("b")}};
        QTest::newRow("last line without a break")
            << QByteArray("a\r\nb") << Lines{{QStringLiteral("a")}, {QStringLiteral("b")}};
        QTest::newRow("one break at the end: no extra contact")
            << QByteArray("a\r\n") << Lines{{QStringLiteral("a")}};
        QTest::newRow("a lone break is one blank contact") << QByteArray("\r\n") << Lines{{}};
        QTest::newRow("CR, CR LF and LF each end a line") << QByteArray("a\rb\r\nc\nd")
                                                          << Lines{{QStringLiteral("a")},
                                                                   {QStringLiteral("b")},
                                                                   {QStringLiteral("c")},
                                                                   {QStringLiteral("d")}};
        QTest::newRow("LF lines") << QByteArray("a;1\nb;2\n")
                                  << Lines{{QStringLiteral("a"), QStringLiteral("1")},
                                           {QStringLiteral("b"), QStringLiteral("2")}};
        QTest::newRow("LF CR is two breaks")
            << QByteArray("a\n\rb") << Lines{{QStringLiteral("a")}, {}, {QStringLiteral("b")}};
        QTest::newRow("a line of quotes only") << QByteArray("\"\"\n") << Lines{{}};
        QTest::newRow("Windows-1250 file")
            << latin2(kovacs + QStringLiteral(";1041;Győr\r\n"))
            << Lines{{kovacs, QStringLiteral("1041"), QStringLiteral("Győr")}};
        QTest::newRow("UTF-8 file")
            << (kovacs + QStringLiteral(";1041;Győr\n")).toUtf8()
            << Lines{{kovacs, QStringLiteral("1041"), QStringLiteral("Győr")}};
        QTest::newRow("UTF-8 with a byte-order mark")
            << QByteArray("\xEF\xBB\xBF") + (kovacs + QStringLiteral(";1041\r\n")).toUtf8()
            << Lines{{kovacs, QStringLiteral("1041")}};
        QTest::newRow("a mark with ASCII only")
            << QByteArray("\xEF\xBB\xBF\"Kiss\";1\r\n")
            << Lines{{QStringLiteral("Kiss"), QStringLiteral("1")}};
        QTest::newRow("UTF-8 characters Windows-1250 lacks")
            << QStringLiteral("Núñez 😀;€\r\n").toUtf8()
            << Lines{{QStringLiteral("Nú?ez ?"), QStringLiteral("€")}};
        QTest::newRow("neither: read as Windows-1250")
            << QByteArray("Kov\xC3\xA1"
                          "cs;\xF5\r\n")
            << Lines{{QStringLiteral("KovĂˇcs"), QStringLiteral("ő")}};
        QTest::newRow("a mark, then a broken sequence")
            << QByteArray("\xEF\xBB\xBF"
                          "a\xC3;b\r\n")
            << Lines{{QStringLiteral("a?"), QStringLiteral("b")}};
        // A character outside the BMP and a NUL: '?' for the one, nothing for the other.
        const QString unicodeText = QStringLiteral("\uFEFF") + kovacs + QStringLiteral(";1041;😀") +
                                    QChar(0) + QStringLiteral("\r\nGyőr\r\n");
        const Lines unicodeLines{{kovacs, QStringLiteral("1041"), QStringLiteral("?")},
                                 {QStringLiteral("Győr")}};
        QTest::newRow("UTF-16LE with a mark")
            << QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(unicodeText))
            << unicodeLines;
        QTest::newRow("UTF-16BE with a mark")
            << QByteArray(QStringEncoder(QStringEncoder::Utf16BE).encode(unicodeText))
            << unicodeLines;
        QTest::newRow("a mark in the middle is a character")
            << QByteArray("a\xC3\xA1\r\n\xEF\xBB\xBF"
                          "b\r\n")
            << Lines{{QStringLiteral("aá")}, {QStringLiteral("?b")}};
    }
    void importLines() {
        QFETCH(QByteArray, file);
        QFETCH(Lines, lines);
        for (qsizetype piece : {qsizetype(1), qsizetype(2), qsizetype(7)})
            QCOMPARE(splitInPieces(file, piece), lines);

        QTemporaryDir dir;
        const DataStore store(dir.path());
        const QByteArray before = kSamples.records(1, 10);
        writeFile(store.dataPath(), before);
        const QString path = dir.filePath(QStringLiteral("be.csv"));
        writeFile(path, file);
        const CsvImportResult r = importCsv(store, path);
        QVERIFY2(!r.error, r.error ? qPrintable(r.error->message()) : "");
        QCOMPARE(r.added, qint64(lines.size()));
        QCOMPARE(readFile(store.dataPath()), before + importedRecords(lines));
    }

    void spareSlotsAndFieldCount() {
        CsvSplitter s;
        int seen = 0;
        const QByteArray line = "1;2;3;4;5;6;7;8;9;tiz;tizenegy;tizenketto;x\n";
        for (char c : line)
            s.put(c, [&seen](const CsvSplitter& l) {
                ++seen;
                QCOMPARE(l.fieldCount(), 12);
                QCOMPARE(l.slot(9), QByteArrayView("9"));
                QCOMPARE(l.slot(10), QByteArrayView("tiz"));
                QCOMPARE(l.slot(11), QByteArrayView("tizenegy"));
                QCOMPARE(l.slot(12), QByteArrayView());
            });
        QCOMPARE(seen, 1);
        // The next line starts with empty slots.
        for (char c : QByteArray("a\n"))
            s.put(c, [](const CsvSplitter& l) {
                QCOMPARE(l.fieldCount(), 1);
                QCOMPARE(l.slot(10), QByteArrayView());
                QCOMPARE(l.record(), Record::fromBytes(importedRecord({QStringLiteral("a")})));
            });
    }

    void hugeLineKeepsFieldWidths() {
        // Ten fields of a million characters each and a million separators more.
        QByteArray file;
        for (char c = 'a'; c <= 'j'; ++c)
            file += QByteArray(1000000, c) + ';';
        file += QByteArray(1000000, ';') + "\r\nz\r\n";
        QTemporaryDir dir;
        const DataStore store(dir.path());
        const QString path = dir.filePath(QStringLiteral("nagy.csv"));
        writeFile(path, file);
        const CsvImportResult r = importCsv(store, path);
        QVERIFY(!r.error);
        QCOMPARE(readFile(store.dataPath()),
                 importedRecord({QString(40, u'a'), QString(4, u'b'), QString(25, u'c'),
                                 QString(50, u'd'), QString(15, u'e'), QString(15, u'f'),
                                 QString(50, u'g'), QString(40, u'h'), QString(40, u'i')}) +
                     importedRecord({QStringLiteral("z")}));
    }

    void importUnusableFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<StoreError::Action>("action");
        QTest::newRow("missing") << QStringLiteral("missing") << StoreError::Action::Open;
        QTest::newRow("folder") << QStringLiteral("folder") << StoreError::Action::Open;
        QTest::newRow("named pipe") << QStringLiteral("fifo") << StoreError::Action::Open;
    }
    void importUnusableFile() {
        QFETCH(QString, kind);
        QFETCH(StoreError::Action, action);
        QTemporaryDir dir;
        const DataStore store(dir.path());
        const QByteArray before = kSamples.records(1, 3) + "tail";
        writeFile(store.dataPath(), before);
        const QString path = dir.filePath(QStringLiteral("be.csv"));
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("be.csv")));
        else if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        const CsvImportResult r = importCsv(store, path);
        QVERIFY(r.error);
        QCOMPARE(r.error->action, action);
        QCOMPARE(r.error->path, path);
        QVERIFY(r.dataUnchanged);
        QCOMPARE(r.added, qint64(0));
        QCOMPARE(readFile(store.dataPath()), before);
    }

    void appendBatch_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("end");     // commit, rollback, destroy
        QTest::addColumn<qint64>("limit");    // a full disk at this file size; 0: none
        QTest::addColumn<QByteArray>("kept"); // in front of the new records after a commit
        QTest::addColumn<qint64>("first");

        const QByteArray two = kSamples.records(1, 2);
        const QByteArray tail139 = two + QByteArray(139, 'x');
        const QByteArray tail140 = two + QByteArray(140, 'x');
        const QByteArray gap = tail140 + QByteArray(139, ' ');
        const QString commit = QStringLiteral("commit");
        QTest::newRow("into an empty file")
            << QByteArray("") << 3 << commit << 0ll << QByteArray("") << 1ll;
        QTest::newRow("behind two records") << two << 3 << commit << 0ll << two << 3ll;
        QTest::newRow("over a tail of 139 bytes") << tail139 << 3 << commit << 0ll << two << 3ll;
        QTest::newRow("behind a tail of 140 bytes") << tail140 << 3 << commit << 0ll << gap << 4ll;
        QTest::newRow("nothing added") << tail140 << 0 << commit << 0ll << tail140 << 4ll;
        QTest::newRow("several blocks") << two << 10000 << commit << 0ll << two << 3ll;
        for (const QByteArray& b : {two, tail139, tail140}) {
            const QString name = QStringLiteral("%1 bytes before").arg(b.size());
            QTest::addRow("rolled back, %s", qPrintable(name))
                << b << 5000 << QStringLiteral("rollback") << 0ll << b << 0ll;
            QTest::addRow("destroyed uncommitted, %s", qPrintable(name))
                << b << 3 << QStringLiteral("destroy") << 0ll << b << 0ll;
            QTest::addRow("disk full in the second block, %s", qPrintable(name))
                << b << 10000 << commit << qint64(b.size()) + 5000 * kRecordSize << b << 0ll;
            QTest::addRow("disk full at the final write, %s", qPrintable(name))
                << b << 10 << commit << qint64(b.size()) + 5 * kRecordSize << b << 0ll;
        }
    }
    void appendBatch() {
        QFETCH(QByteArray, before);
        QFETCH(int, count);
        QFETCH(QString, end);
        QFETCH(qint64, limit);
        QFETCH(QByteArray, kept);
        QFETCH(qint64, first);
        QTemporaryDir dir;
        const DataStore store(dir.path());
        writeFile(store.dataPath(), before);
        QByteArray added;
        MaybeError err;
        {
            RecordAppendBatch batch(store);
            QVERIFY(!batch.begin());
            std::unique_ptr<FileSizeLimit> full;
            if (limit > 0)
                full = std::make_unique<FileSizeLimit>(limit);
            for (int i = 0; i < count && !err; ++i) {
                const QByteArray r = recordBytes({QStringLiteral("Új %1").arg(i)});
                err = batch.add(Record::fromBytes(r.constData()));
                added += r;
            }
            if (end == QLatin1String("commit") && !err)
                err = batch.commit();
            else if (end == QLatin1String("rollback"))
                QVERIFY(!batch.rollback());
            if (first > 0) {
                QCOMPARE(batch.firstRecordNumber(), first);
                QCOMPARE(batch.added(), qint64(count));
            }
            if (err)
                QVERIFY(batch.fileUnchanged());
        }
        QCOMPARE(bool(err), limit > 0);
        if (err)
            QCOMPARE(err->path, store.dataPath());
        const bool committed = end == QLatin1String("commit") && limit == 0;
        QCOMPARE(readFile(store.dataPath()), committed ? kept + added : before);
    }
};

QTEST_GUILESS_MAIN(tst_csv)
#include "tst_csv.moc"
