#include "platform/datafolder.h"

#include "store/datafile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryFile>

namespace {

bool canCreateFilesIn(const QString& folder) {
    // Permission bits do not tell about read-only mounts or access lists: try it.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".zelvanor-probe-XXXXXX")));
    return probe.open();
}

} // namespace

DataFolderChoice chooseDataFolder(const QString& programFolder, const QString& userFolder) {
    if (canCreateFilesIn(programFolder))
        return {programFolder, std::nullopt};
    return {userFolder, DataFile::makeFolder(userFolder)};
}

DataFolderChoice resolveDataFolder() {
    return chooseDataFolder(QCoreApplication::applicationDirPath(),
                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

PreparedFolder prepareDataFolder(const QString& folder) {
    PreparedFolder result;
    if (folder.isEmpty()) {
        result.error = QStringLiteral("Nincs megadva az adatmappa.");
        return result;
    }
    result.path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const QString shown = QDir::toNativeSeparators(result.path);
    const QFileInfo info(result.path);
    if (info.exists() && !info.isDir()) {
        result.error =
            QStringLiteral("A(z) „%1” nem mappa, hanem fájl: nem lehet adatmappa.").arg(shown);
    } else if (!info.exists() && !QDir().mkpath(result.path)) {
        result.error = QStringLiteral("A(z) „%1” adatmappa nem hozható létre.").arg(shown);
    } else if (!canCreateFilesIn(result.path)) {
        result.error =
            QStringLiteral("A(z) „%1” mappába nem lehet írni: nem lehet adatmappa.").arg(shown);
    }
    return result;
}

RegisterLock::RegisterLock(const QString& folder)
    : m_folder(folder)
    , m_file(QDir(folder).filePath(fileName())) {
    // The lock is held as long as the program runs: only a holder that is gone makes it
    // stale, never its age.
    m_file.setStaleLockTime(0);
}

QString RegisterLock::fileName() {
    return QStringLiteral(".Telefon.dat.lock");
}

RegisterLock::Result RegisterLock::lock() {
    if (m_file.tryLock(0))
        return Result::Locked;
    return m_file.error() == QLockFile::LockFailedError ? Result::InUse : Result::Unavailable;
}

QString RegisterLock::inUseMessage() const {
    QString text = QStringLiteral("A(z) „%1” mappa névjegyzékét már egy másik Zelvanor használja.")
                       .arg(QDir::toNativeSeparators(m_folder));
    qint64 pid = 0;
    QString host;
    QString app;
    if (m_file.getLockInfo(&pid, &host, &app) && !host.isEmpty() &&
        host != QSysInfo::machineHostName())
        text += QStringLiteral(" (a(z) „%1” nevű számítógépen)").arg(host);
    text += QStringLiteral("\n\nKét program egyszerre ugyanabba a fájlba írva névjegyeket "
                           "veszíthetne el. Használja a már futó programot, vagy zárja be, "
                           "és indítsa újra.");
    return text;
}
