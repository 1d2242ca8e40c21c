// Import files and registers nobody would write by hand: NUL bytes, every byte value, a 2 GiB
// line, a file that changes while it is read, masses of empty lines. Nothing may crash, every
// line gives at most one contact, and memory stays flat where no list is held.
#include "csv/csvimport.h"
#include "store/datastore.h"
#include "store/posixfs.h"
#include "testdata.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>
#include <unistd.h>

namespace {

qint64 peakRssKb() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

QByteArray everyByte() {
    QByteArray out;
    for (int i = 0; i < 256; ++i)
        out += char(i);
    return out;
}

// Changes the import file the first time it is read: grows or shrinks it under the reader.
class ChangeWhileRead final : public fsys::Observer {
public:
    ChangeWhileRead(QString path, qint64 newLength)
        : m_path(std::move(path))
        , m_length(newLength) {
        m_previous = fsys::setObserver(this);
    }
    ~ChangeWhileRead() override { fsys::setObserver(m_previous); }
    ChangeWhileRead(const ChangeWhileRead&) = delete;
    ChangeWhileRead& operator=(const ChangeWhileRead&) = delete;
    int before(const fsys::CallInfo&) override { return 0; }
    void after(const fsys::CallInfo& info, qint64 result, int error) override {
        Q_UNUSED(result);
        Q_UNUSED(error);
        if (info.call == fsys::Call::Read && !m_done) {
            m_done = true;
            QFile f(m_path);
            if (f.open(QIODevice::ReadWrite)) {
                if (m_length > f.size()) {
                    f.seek(f.size());
                    f.write(QByteArray(m_length - f.size(), ';') + "\n");
                } else {
                    f.resize(m_length);
                }
            }
        }
    }

private:
    fsys::Observer* m_previous = nullptr;
    QString m_path;
    qint64 m_length;
    bool m_done = false;
};

} // namespace

class tst_hostile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void importOf_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<qint64>("sparse"); // bytes of holes behind the content
        QTest::addColumn<qint64>("lines");
        QTest::newRow("NUL bytes")
            << QByteArray("a\0b;\0;\0\0\r\n\0\0\0\n", 14) << qint64(0) << qint64(2);
        QTest::newRow("every byte value") << everyByte().repeated(50) << qint64(0) << qint64(-1);
        QTest::newRow("100 000 empty lines")
            << QByteArray("\r\n").repeated(100000) << qint64(0) << qint64(100000);
        QTest::newRow("one line of 2 GiB")
            << QByteArray("Hossz\xc3\xba") << (qint64(2) << 30) << qint64(1);
    }

    void importOf() {
        QFETCH(QByteArray, content);
        QFETCH(qint64, sparse);
        QFETCH(qint64, lines);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.csv"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        if (sparse > 0)
            QVERIFY(f.resize(content.size() + sparse));
        f.close();
        DataStore store(dir.path());
        const qint64 before = peakRssKb();
        const CsvImportResult r = importCsv(store, path);
        QVERIFY(!r.error);
        if (lines >= 0)
            QCOMPARE(r.added, lines);
        QCOMPARE(QFileInfo(store.dataPath()).size(), r.added * kRecordSize);
        // The reader keeps a block, never the line.
        QVERIFY2(peakRssKb() - before < 64 * 1024,
                 qPrintable(QString::number(peakRssKb() - before)));
    }

    void importWhileChanged_data() {
        QTest::addColumn<qint64>("newLength");
        QTest::newRow("grows") << qint64(3 << 20);
        QTest::newRow("shrinks") << qint64(100);
    }

    void importWhileChanged() {
        QFETCH(qint64, newLength);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.csv"));
        writeFile(path, QByteArray("N\xc3\xa9v;1111;Hely\r\n").repeated(100000)); // 1.7 MB
        DataStore store(dir.path());
        CsvImportResult r;
        {
            ChangeWhileRead probe(path, newLength);
            r = importCsv(store, path);
        }
        QVERIFY(!r.error);
        QVERIFY(r.added <= 100000);
        QCOMPARE(QFileInfo(store.dataPath()).size(), r.added * kRecordSize);
    }

    void listOfHostileRegister_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<qint64>("sparse");
        QTest::newRow("every byte value") << everyByte().repeated(300) << qint64(0);
        QTest::newRow("2 GiB of NUL bytes") << QByteArray() << (qint64(2) << 30);
    }

    void listOfHostileRegister() {
        QFETCH(QByteArray, content);
        QFETCH(qint64, sparse);
        QTemporaryDir dir;
        DataStore store(dir.path());
        QFile f(store.dataPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        if (sparse > 0)
            QVERIFY(f.resize(content.size() + sparse));
        f.close();
        qint64 seen = 0;
        const qint64 before = peakRssKb();
        QVERIFY(
            !store.forEachRecord([&seen](const char*, qint64, qint64 count) { seen += count; }));
        QCOMPARE(seen, (content.size() + sparse) / kRecordSize);
        QVERIFY(peakRssKb() - before < 64 * 1024);
    }
};

QTEST_GUILESS_MAIN(tst_hostile)
#include "tst_hostile.moc"
