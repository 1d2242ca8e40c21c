// A change killed at any moment must leave Telefon.dat as it was or as the change makes it:
// a deletion, a modification or a deletion of everything the one or the other whole; an
// addition or an import the old records, each whole, followed by whole new records only, in
// order. (An import killed before it is committed keeps the contacts it had written, the last
// perhaps cut short by a kill inside its write; the batch can cut them off only in a living
// process.)
#include "store/record.h"
#include "testdata.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <thread>

namespace {

constexpr qint64 kRecords = 20000; // about 5.6 MB
constexpr qint64 kChanged = kRecords / 2;
constexpr int kMinKills = 50;
constexpr int kMaxMoments = 80;

QByteArray makeRegister() {
    return SampleContacts({QStringLiteral("Ügyfél #"), QStringLiteral("Székesfehérvár"), QString(),
                           QString(), QStringLiteral("#"), QString(),
                           QStringLiteral("őrzendő adat")})
        .records(1, kRecords);
}

QByteArray makeImport() {
    QByteArray lines;
    for (qint64 i = 1; i <= kRecords; ++i)
        lines += "Behozott " + QByteArray::number(i) +
                 ";8000;Sz\xc3\xa9kesfeh\xc3\xa9rv\xc3\xa1r;"
                 "F\xc5\x91 utca " +
                 QByteArray::number(i) + ";06-22-" + QByteArray::number(i) + "\r\n";
    return lines;
}

} // namespace

class tst_crash : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
    struct Counts {
        int kills = 0;
        int old = 0;
        int changed = 0;
        int partway = 0; // an import with some of its records
        int cut = 0;     // ... the last of them cut short
        qint64 records = 0;
    };
    std::map<QString, Counts> m_counts;

    QString dataPath() const { return m_dir.filePath(QStringLiteral("Telefon.dat")); }

    void restore() { writeFile(dataPath(), m_old); }

    QStringList arguments(const QString& op) const {
        QStringList args{op, m_dir.path()};
        if (op == QStringLiteral("import"))
            args << m_dir.filePath(QStringLiteral("import.csv"));
        else if (op != QStringLiteral("append") && op != QStringLiteral("delete-all"))
            args << QString::number(kChanged);
        return args;
    }

    // Runs the change in a child. moment > 0: the child stops itself at that moment and is
    // killed there; delayUs >= 0: it is killed that long after its start; else it runs to its
    // end and the number of its calls is returned (-1 on a failure).
    qint64 runChild(const QString& op, long moment, qint64 delayUs = -1) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The desktop's trash lies in the same folder, so that delete-all only renames.
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("home")));
        if (moment > 0)
            env.insert(QStringLiteral("WRITER_STOP_AT"), QString::number(moment));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(WRITER_CHILD), arguments(op));
        if (!child.waitForStarted(-1))
            return -1;
        if (moment > 0) {
            // Killed where it stopped; a child that ends first never reached the moment.
            child.waitForReadyRead(-1);
            child.kill();
        } else if (delayUs >= 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
            child.kill();
        }
        child.waitForFinished(-1);
        if (moment > 0 || delayUs >= 0)
            return 0;
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            return -1;
        return child.readAllStandardOutput().trimmed().split(' ').value(1).toLongLong();
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("home")));
        m_old = makeRegister();
        QFile import(m_dir.filePath(QStringLiteral("import.csv")));
        QVERIFY(import.open(QIODevice::WriteOnly));
        import.write(makeImport());
    }

    void cleanupTestCase() {
        for (const auto& [op, c] : m_counts)
            qInfo("%s: %d kills, %d left the old file, %d the new one, %d part of the new records "
                  "(%d of them a cut-off last one); %lld records checked, 0 lost",
                  qPrintable(op), c.kills, c.old, c.changed, c.partway, c.cut, c.records);
    }

    void killedChange_data() {
        QTest::addColumn<QString>("op");
        for (const char* op : {"append", "modify", "delete", "delete-all", "import"})
            QTest::newRow(op) << QString::fromLatin1(op);
    }

    void killedChange() {
        QFETCH(QString, op);
        // One run to its end gives the new file and the number of calls.
        restore();
        QElapsedTimer clock;
        clock.start();
        const qint64 calls = runChild(op, 0);
        const qint64 duration = clock.nsecsElapsed() / 1000;
        QVERIFY(calls > 0);
        bool exists = false;
        const QByteArray changed = readFile(dataPath(), &exists);
        const bool growing = op == QStringLiteral("append") || op == QStringLiteral("import");
        QVERIFY(growing ? changed.size() > m_old.size() : changed != m_old);

        // Every moment before and after each call, or evenly spread ones when there are many;
        // kills after random delays make up the rest.
        QList<long> moments;
        const long all = 2 * calls;
        for (long i = 0; i < std::min<long>(all, kMaxMoments); ++i)
            moments << 1 + i * all / std::min<long>(all, kMaxMoments);
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        Counts& c = m_counts[op];
        restore();
        for (int trial = 0; trial < std::max<int>(kMinKills, int(moments.size())); ++trial) {
            if (trial < moments.size())
                runChild(op, moments[trial]);
            else
                runChild(op, 0, random.bounded(duration + 1));
            ++c.kills;
            const QByteArray now = readFile(dataPath(), &exists);
            const QString where = QStringLiteral("trial %1, moment %2, seed %3")
                                      .arg(trial)
                                      .arg(trial < moments.size() ? moments[trial] : -1)
                                      .arg(seed);
            c.records += now.size() / kRecordSize;
            if (exists && now == m_old) {
                ++c.old;
                continue;
            }
            if (op == QStringLiteral("delete-all"))
                QVERIFY2(!exists, qPrintable(where));
            else if (growing)
                // The old records, then new ones of the change, in order. A kill inside a large
                // write may cut the last of them short; only whole ones are counted.
                QVERIFY2(now.size() > m_old.size() && now == changed.left(now.size()),
                         qPrintable(where));
            else
                QVERIFY2(now == changed, qPrintable(where));
            ++(now.size() == changed.size() || !exists ? c.changed : c.partway);
            c.cut += now.size() % kRecordSize != 0 ? 1 : 0;
            restore();
        }
    }
};

QTEST_GUILESS_MAIN(tst_crash)
#include "tst_crash.moc"
