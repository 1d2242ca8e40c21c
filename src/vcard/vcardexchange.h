#pragma once

#include "store/datastore.h"
#include "store/exchangefile.h"
#include "store/storeerror.h"

#include <QString>

using VCardImportResult = ImportResult;

// Appends one contact per card of the vCard file at path to Telefon.dat, in file order, through
// one RecordAppendBatch: on any failure (the file cannot be opened or read, Telefon.dat cannot
// be written) Telefon.dat is cut back to what it was and no contact arrives. A file without a
// single card is an error (FindContacts), not an import of nothing. Telefon.dat itself, under
// any name, is refused as the file to import.
VCardImportResult importVCard(const DataStore& store, const QString& path);

// Writes one vCard per record of Telefon.dat to target, in record order. The file is written
// beside the target and renamed over it once it is complete and on the disk, so that a failure
// leaves the old file (or none) in place. Telefon.dat itself is refused as the target under any
// name. count gets the cards written.
MaybeError exportVCard(const DataStore& store, const QString& target, qint64* count = nullptr);
