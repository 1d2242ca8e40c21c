#pragma once

#include "store/datastore.h"
#include "store/exchangefile.h"
#include "store/storeerror.h"

#include <QString>

using CsvImportResult = ImportResult;

// Appends one contact per line of the file at path to Telefon.dat, in line order (see
// CsvSplitter for the line format). The file is read as UTF-16, UTF-8 or Windows-1250 as
// EncodingSniffer tells, a block at a time, so memory stays the same for any file. The contacts
// are appended through one RecordAppendBatch: on any failure (the file cannot be opened or
// read, Telefon.dat cannot be written) Telefon.dat is cut back to what it was and no contact
// arrives. Telefon.dat itself, under any name, is refused as the file to import.
CsvImportResult importCsv(const DataStore& store, const QString& path);
