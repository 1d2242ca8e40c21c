#include "datafolder.h"

#include "datafile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
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
