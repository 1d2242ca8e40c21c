#pragma once

#include "store/datastore.h"
#include "store/storeerror.h"

#include <QString>

// The export file: one line of 289 Windows-1250 bytes per record, in record order. The nine
// fields stand at their full record widths and in the record's own order; a ";" follows each
// field from the settlement on (eight in all, the name running straight into the settlement),
// and a carriage return and line feed end the line. Nothing is trimmed, quoted or escaped.
inline constexpr int kExportLineSize = 289;

// Builds the export line of one record's kRecordSize bytes into line (kExportLineSize bytes).
void buildExportLine(const char* record, char* line);

// Writes every whole record of Telefon.dat to target as export lines. The file is written
// beside the target and renamed over it once it is complete and on the disk, so that a failure
// leaves the old file (or none) in place and an older, longer file keeps no stale lines.
// Telefon.dat itself is refused as the target under any name; a missing Telefon.dat is created
// empty and gives an empty export file. A folder that cannot be synced after the rename gives an
// error in the state ChangedNotSynced: the new file is in place.
MaybeError exportCsv(const DataStore& store, const QString& target);
