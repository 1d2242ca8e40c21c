#pragma once

#include "store/storeerror.h"

#include <QLockFile>
#include <QString>

// The folder chosen for Telefon.dat, and what kept it from being made when it could not be.
struct DataFolderChoice {
    QString folder;
    MaybeError error;
};

// The folder that holds Telefon.dat: the program's own folder, whatever the working directory;
// where that folder cannot be written (a system-wide install), the user's data folder.
DataFolderChoice resolveDataFolder();

// The same choice for a given program folder; the fallback is made when it is needed.
DataFolderChoice chooseDataFolder(const QString& programFolder, const QString& userFolder);

// A folder the user named for Telefon.dat, made ready: created with its parents when missing.
// path is absolute, so that the register stays the same whatever the working directory
// becomes; error says in Hungarian why the folder cannot be used, and is empty when it can.
struct PreparedFolder {
    QString path;
    QString error;
};
PreparedFolder prepareDataFolder(const QString& folder);

// Keeps a second copy of the program off a register in use: two copies appending to the same
// Telefon.dat would write their contacts to the same record number. A lock left behind by a
// program that is no longer running is taken over.
class RegisterLock {
public:
    explicit RegisterLock(const QString& folder);

    enum class Result {
        Locked,     // this program holds the register until it ends
        InUse,      // another running program holds it
        Unavailable // no lock file can be made there (a read-only folder): go on as before
    };
    Result lock();

    // The lock file's name inside the data folder.
    static QString fileName();
    // For Result::InUse, in Hungarian: which folder is in use, and by what.
    QString inUseMessage() const;

private:
    QString m_folder;
    QLockFile m_file;
};
