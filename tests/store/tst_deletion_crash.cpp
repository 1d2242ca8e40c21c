// Removing one record copies the file to xx.dat and renames it over Telefon.dat. A process
// killed at any moment of that must leave Telefon.dat either as it was or without exactly the
// one record: never shorter, never a mix of the two.
#include "record.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <thread>

namespace {

constexpr qint64 kRecords = 200000; // about 56 MB, so that a kill can land in the copy
constexpr int kTrials = 60;

QByteArray makeRegister() {
    QByteArray bytes;
    bytes.reserve(kRecords * kRecordSize);
    Record r;
    r.setField(Field::Telepules, QStringLiteral("Székesfehérvár"));
    r.setField(Field::Megj, QStringLiteral("őrzendő adat"));
    for (qint64 i = 1; i <= kRecords; ++i) {
        const QString n = QString::number(i);
        r.setField(Field::Nev, QStringLiteral("Ügyfél ") + n);
        r.setField(Field::Tel1, n);
        bytes.append(r.data(), kRecordSize);
    }
    return bytes;
}

QByteArray fileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash h(QCryptographicHash::Sha1);
    h.addData(&f);
    return h.result();
}

} // namespace

class tst_deletion_crash : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray m_old;

    QString dataPath() const { return m_dir.filePath(QStringLiteral("Telefon.dat")); }

    void restore() {
        QFile f(dataPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(m_old), m_old.size());
    }

    // Runs the deletion of record n in a child process. With a delay, the child is killed that
    // many microseconds after it has started the deletion; without one it runs to its end and
    // the time it took is returned.
    qint64 runChild(qint64 n, qint64 delayUs = -1) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(DELETION_CHILD), {m_dir.path(), QString::number(n)});
        if (!child.waitForStarted(-1) || !child.waitForReadyRead(-1)) {
            child.waitForFinished(-1);
            qWarning("the deletion did not start (exit code %d)", child.exitCode());
            return -1;
        }
        QElapsedTimer clock;
        clock.start();
        if (delayUs >= 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
            child.kill();
        }
        child.waitForFinished(-1);
        if (delayUs < 0 && (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0))
            return -1;
        return clock.nsecsElapsed() / 1000;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_old = makeRegister();
    }

    void killedDeletionLeavesOldOrNewFile() {
        // The first, the last and one in the middle: each copies a different share of the file.
        const qint64 deleted[] = {kRecords / 2, 1, kRecords};
        const QByteArray oldHash = QCryptographicHash::hash(m_old, QCryptographicHash::Sha1);
        QByteArray newHash[3];
        for (int k = 0; k < 3; ++k) {
            const qint64 at = (deleted[k] - 1) * kRecordSize;
            QCryptographicHash h(QCryptographicHash::Sha1);
            h.addData(QByteArrayView(m_old).first(at));
            h.addData(QByteArrayView(m_old).sliced(at + kRecordSize));
            newHash[k] = h.result();
        }

        // One run to its end tells how long the deletion takes here.
        restore();
        const qint64 duration = runChild(deleted[0]);
        QVERIFY(duration >= 0);
        QCOMPARE(fileHash(dataPath()), newHash[0]);

        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        int unchanged = 0;
        int replaced = 0;
        restore();
        for (int i = 0; i < kTrials; ++i) {
            const int k = i % 3;
            // The copy itself is short beside the final flush to the disk: the kills are packed
            // towards the start.
            const double at = static_cast<double>(i) / kTrials;
            const qint64 delay =
                static_cast<qint64>(duration * at * at) + random.bounded(duration / kTrials + 1);
            QVERIFY(runChild(deleted[k], delay) >= 0);
            const QByteArray now = fileHash(dataPath());
            if (now == oldHash) {
                ++unchanged;
                continue;
            }
            // Anything else is a damaged register.
            QVERIFY2(now == newHash[k],
                     qPrintable(QStringLiteral("trial %1, seed %2").arg(i).arg(seed)));
            ++replaced;
            restore();
        }
        qInfo("%d kills left the old file, %d the new one (a run took %lld µs, seed %u)", unchanged,
              replaced, duration, seed);
    }
};

QTEST_GUILESS_MAIN(tst_deletion_crash)
#include "tst_deletion_crash.moc"
