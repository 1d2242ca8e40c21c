#pragma once

#include "store/datafile.h"
#include "store/datastore.h"
#include "store/record.h"
#include "store/storeerror.h"

#include <QtGlobal>

#include <vector>

// Appends any number of records to Telefon.dat as one change, for the imports of exchange files
// (CSV, vCard). The records go behind the last whole record by the rule of DataStore::append,
// are written a large block at a time and reach the disk with one sync in commit().
//
// Until commit() has succeeded the change can be undone: a failed add() or commit(), a call of
// rollback() or the destruction of an uncommitted batch cuts the file back to exactly the bytes
// it had before begin(), so that a failed import adds no contact and a retry adds none twice.
class RecordAppendBatch {
public:
    explicit RecordAppendBatch(const DataStore& store);
    ~RecordAppendBatch();
    RecordAppendBatch(const RecordAppendBatch&) = delete;
    RecordAppendBatch& operator=(const RecordAppendBatch&) = delete;

    // Opens Telefon.dat for writing (a missing file is created empty) and notes its length.
    MaybeError begin();
    // The open data file, to tell it apart from the file being imported.
    const DataFile& dataFile() const { return m_file; }

    // Adds a record behind the ones added before; it may stay in memory until the block is full.
    MaybeError add(const Record& record) { return add(record.data()); }
    MaybeError add(const char* recordBytes);
    // Writes what is left, syncs the file once and closes it.
    MaybeError commit();
    // Puts the file back as it was before begin() and closes it; an error when even that failed.
    MaybeError rollback();

    // Records added so far, and the record number the first of them gets.
    qint64 added() const { return m_added; }
    qint64 firstRecordNumber() const { return m_firstRecNo; }
    // False after a failure whose rollback failed too: the file may then hold part of the batch.
    bool fileUnchanged() const { return m_unchanged; }

private:
    MaybeError writeBlock();
    MaybeError fail(StoreError error);

    const DataStore& m_store;
    DataFile m_file;
    qint64 m_oldLength = 0;
    qint64 m_firstRecNo = 1;
    qint64 m_writePos = 0;       // where the next block goes
    qint64 m_gap = 0;            // blanks in front of the first record
    std::vector<char> m_oldTail; // an incomplete last record that the first record overwrites
    std::vector<char> m_block;
    qint64 m_added = 0;
    bool m_active = false;
    bool m_unchanged = true;
};
