#pragma once

#include <QString>
#include <QTemporaryDir>

#include <QtGlobal>

// The generated registers the benchmarks run on, and the file chores around them.
namespace benchfiles {

// The folder holding a generated Telefon.dat of count contacts. Registers are made once and
// kept under the temporary folder for later runs; a file of the wrong length is made again.
// The file is read once before returning, so that every benchmark starts with it in the page
// cache. Aborts with a message when the register cannot be made: no figure would mean anything.
QString registerFolder(qint64 count);

// A private copy of a generated register in a folder of its own, for the benchmarks that change
// the file; removed with the object.
class ScratchRegister {
public:
    explicit ScratchRegister(qint64 count);

    // Empty when the copy is ready, else what failed.
    const QString& error() const { return m_error; }
    QString folder() const { return m_dir.path(); }
    QString dataPath() const;
    // Puts the generated register back over the copy.
    QString restore();

private:
    QString m_pristine;
    QTemporaryDir m_dir;
    QString m_error;
};

// Copies a file's bytes over another (created or emptied) and flushes the copy to disk, so that
// no write-back of it is left to disturb a measurement that follows.
QString copySynced(const QString& from, const QString& to);

// Cuts a file back to a length and flushes it to disk.
QString truncateSynced(const QString& path, qint64 length);

qint64 fileLength(const QString& path);

// Reads a whole file with read() in large blocks and returns the bytes seen: the least any
// reading of the file costs.
qint64 readWhole(const QString& path);

// Runs a program with its output thrown away and waits for it; false when it could not be run
// or did not exit with 0.
bool runQuietly(const char* program, const QStringList& args);

// Resident and peak resident memory of this process in KiB (VmRSS, VmHWM).
struct Memory {
    qint64 rssKiB = 0;
    qint64 hwmKiB = 0;
};
Memory memoryNow();
// The most the resident memory rose over its size at start(), in any of the start()/stop()
// pairs measured: the peak of one action on its own.
class PeakGrowth {
public:
    // Hands glibc's free memory back to the system, so that the action cannot use it unseen,
    // and lets VmHWM start again from the present resident size.
    void start();
    void stop();
    qint64 kib() const { return m_peakKiB; }

private:
    Memory m_before;
    qint64 m_peakKiB = 0;
};

} // namespace benchfiles
