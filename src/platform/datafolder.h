#pragma once

#include <QString>

// The folder that holds Telefon.dat: the program's own folder, whatever the working directory;
// where that folder cannot be written (a system-wide install), the user's data folder.
QString resolveDataFolder();

// The same choice for a given program folder; the fallback is made when it is needed.
QString chooseDataFolder(const QString& programFolder, const QString& userFolder);
