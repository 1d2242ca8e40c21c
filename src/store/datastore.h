#pragma once

#include "store/datafile.h"
#include "store/record.h"
#include "store/storeerror.h"

#include <QString>

#include <functional>
#include <vector>

// Telefon.dat and its temporary xx.dat in one folder, and the operations on the records.
// Each call opens the files it needs and closes them before it returns.
class DataStore {
public:
    explicit DataStore(QString folder);

    const QString& folder() const { return m_folder; }
    QString dataPath() const;
    QString tempPath() const;

    // Gets a run of whole records at a time, in file order: count records of kRecordSize bytes
    // from firstRecNo on.
    using BlockFn = std::function<void(const char* records, qint64 firstRecNo, qint64 count)>;

    // Reads every whole record of Telefon.dat in large blocks; a missing file is created empty.
    MaybeError forEachRecord(const BlockFn& fn) const;
    // The same, and length gets the file's length in bytes, which may end in an incomplete
    // record.
    MaybeError forEachRecord(const BlockFn& fn, qint64& length) const;

    // Record n; found is false when the file has no whole record n.
    MaybeError readRecord(qint64 n, Record& record, bool& found) const;

    // Writes the record behind the last whole one: after a file of k records and r more bytes
    // it becomes record k + 1 when r < 140, else k + 2 with the gap filled with blanks. A failed
    // write leaves the file as it was, or says in the error's state that it may not have.
    MaybeError append(const Record& record);
    // The same, and recNo gets the number of the new record.
    MaybeError append(const Record& record, qint64& recNo);

    // Overwrites record n in place; written is false when there is no record n. A failure
    // puts the old record back, or says in the error's state that it could not.
    MaybeError modify(qint64 n, const Record& record, bool& written);

    // Moves Telefon.dat to the desktop's trash, so that the user can bring it back; where no
    // trash takes it, deletes it. A file already gone is not an error. Where Telefon.dat is a
    // symbolic link, the link stays and the file it points at is replaced by an empty one.
    MaybeError removeAll();

    // The record number a new record gets in a file of the given length.
    static qint64 appendNumber(qint64 length);

    // Refuses a register whose own name is that of the temporary copy.
    static MaybeError checkTempName(const QString& target);

private:
    MaybeError finishWrite(DataFile& file) const;
    MaybeError emptyLinkedFile(const QString& target);

    QString m_folder;
};

// Removing records: Telefon.dat is copied without them into xx.dat, which then takes its place
// in one rename, so that a complete Telefon.dat exists at every instant. Where Telefon.dat is a
// symbolic link, xx.dat is made beside the file it points at and replaces that file.
class RecordDeletion {
public:
    explicit RecordDeletion(const DataStore& store);

    // Opens Telefon.dat, puts a new, empty xx.dat in place of any old one and reads record n.
    // When the file has no record n, hasRecord() is false and xx.dat is left alone.
    MaybeError begin(qint64 n) { return begin(std::vector<qint64>{n}); }
    // The same for several records at once, numbered in ascending order without repeats: one
    // copy of the file removes them all. hasRecord() is false unless the file has every one.
    MaybeError begin(std::vector<qint64> numbers);
    bool hasRecord() const { return m_hasRecord; }
    const Record& record() const {
        static const Record none;
        return m_records.empty() ? none : m_records.front();
    }
    // The records to be removed, in the order of their numbers.
    const std::vector<Record>& records() const { return m_records; }

    // Copies every other whole record and replaces Telefon.dat. On failure Telefon.dat is
    // untouched and the partial xx.dat is removed, except when only the folder could not be
    // synced after the rename (the error's state tells).
    MaybeError commit();
    // Closes both files; the emptied xx.dat stays behind.
    void cancel();

private:
    MaybeError copyRange(qint64 from, qint64 to, qint64 size);
    MaybeError copyChunk(qint64 from, qint64 to, qint64 size, std::vector<char>& buffer);

    const DataStore& m_store;
    QString m_target;       // the file that is replaced
    QString m_targetFolder; // its folder
    QString m_tempPath;     // xx.dat in that folder
    DataFile m_data;
    DataFile m_temp;
    std::vector<qint64> m_numbers;
    qint64 m_count = 0;
    bool m_hasRecord = false;
    std::vector<Record> m_records;
};
