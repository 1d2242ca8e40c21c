#pragma once

#include "storeerror.h"

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
