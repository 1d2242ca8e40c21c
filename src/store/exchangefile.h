#pragma once

#include "store/appendbatch.h"
#include "store/datafile.h"
#include "store/storeerror.h"

#include <QString>

#include <functional>

class QIODevice;

// Exchange files (CSV, vCard) are named by the user in a file dialog. Telefon.dat itself, under
// any name or link, must never be written as one or read into itself.

// Refuses the exchange file at path when it is the open register data; a check that cannot be
// made refuses too, since going on could overwrite the register. A path that names no file yet
// passes.
MaybeError refuseDataFile(const DataFile& data, const QString& path);
// The same for an exchange file that is open already.
MaybeError refuseDataFile(const DataFile& data, const DataFile& exchange);

// The failure of a write to an exchange file: the system's reason when it left one (code),
// the device's own text otherwise.
StoreError exchangeWriteError(StoreError::Action action, const QString& path, int code,
                              const QIODevice& device);

// Writes an exchange file whole: fill() writes the new content into a file beside the target,
// checking every write's length, and the new file then replaces the target in one rename, after
// its data reached the disk; the folder is synced last. A failure, fill()'s own included, leaves
// the old file as it was and no new file behind. A folder that cannot be synced after the rename
// is reported with the state ChangedNotSynced.
MaybeError replaceFileWhole(const QString& target,
                            const std::function<MaybeError(QIODevice& out)>& fill);

// What an import of an exchange file did.
struct ImportResult {
    qint64 added = 0;          // contacts appended
    MaybeError error;          // what failed, if anything did
    bool dataUnchanged = true; // after a failure: Telefon.dat is exactly as before the import
};

// The frame of every import: opens the exchange file at path (an existing regular file only),
// begins one RecordAppendBatch on Telefon.dat, refuses Telefon.dat itself as the file, lets
// read() add the file's records to the batch, and commits the batch only when read() and every
// add succeeded; on any failure Telefon.dat is cut back to what it was. A register that the
// import created and whose name could not be synced to the disk keeps the contacts: that is
// reported with the state ChangedNotSynced.
ImportResult importIntoBatch(
    const DataStore& store, const QString& path,
    const std::function<MaybeError(const DataFile& source, RecordAppendBatch& batch)>& read);
