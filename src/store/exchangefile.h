#pragma once

#include "storeerror.h"

#include <QString>

// Exchange files (CSV, vCard) are named by the user in a file dialog. Telefon.dat itself, under
// any name or link, must never be written as one or read into itself: the exports and imports
// check with DataFile::isSameFile and refuse with this error.
StoreError dataFileRefused(const QString& path);
