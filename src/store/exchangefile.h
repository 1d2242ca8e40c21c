#pragma once

#include "datafile.h"
#include "storeerror.h"

#include <QString>

// Exchange files (CSV, vCard) are named by the user in a file dialog. Telefon.dat itself, under
// any name or link, must never be written as one or read into itself.
StoreError dataFileRefused(const QString& path);

// Refuses the exchange file at path when it is the open register data; a check that cannot be
// made refuses too, since going on could overwrite the register. A path that names no file yet
// passes.
MaybeError refuseDataFile(const DataFile& data, const QString& path);
// The same for an exchange file that is open already.
MaybeError refuseDataFile(const DataFile& data, const DataFile& exchange);
