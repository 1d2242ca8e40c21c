#pragma once

#include "store/record.h"
#include "store/storeerror.h"

#include <QString>

// A file of fixed 279-byte records, addressed by record number from 1. Every call reports the
// system's failure instead of hiding it; nothing is buffered, so what a call wrote has reached
// the system when it returns.
class DataFile {
public:
    enum class Access { Read, ReadWrite };

    DataFile() = default;
    ~DataFile();
    DataFile(DataFile&& other) noexcept;
    DataFile& operator=(DataFile&& other) noexcept;
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    // Opens the file; a missing file is created empty (also for Access::Read), but never
    // through a symbolic link whose file is missing.
    MaybeError open(const QString& path, Access access);
    // Opens a new, empty file under the name; a file or link that had the name is removed
    // first, never written to.
    MaybeError openEmptied(const QString& path);
    // Opens an existing regular file for reading only; unlike open(), a missing file is an
    // error and nothing is created.
    MaybeError openExisting(const QString& path);
    bool isOpen() const { return m_fd >= 0; }
    // Whether the last open made the file: its name reaches the disk with the folder only.
    bool created() const { return m_created; }
    const QString& path() const { return m_path; }

    MaybeError length(qint64& bytes) const;
    // Gives this file the permissions of another.
    MaybeError copyModeFrom(const DataFile& other);

    // Whether both handles, or the path and the handle, lead to one file (same device and
    // inode), whatever spelling, symbolic or hard link leads there. A path that names no file is
    // no open file. When the check itself fails, the answer is false and error tells why (else
    // it is set to 0): the caller must not go on as if the files were different.
    bool isSameFile(const DataFile& other, int& error) const;
    bool isSameFile(const QString& path, int& error) const;

    // Reads up to size bytes at offset; got tells how many there were before the end.
    MaybeError readAt(qint64 offset, char* buffer, qint64 size, qint64& got) const;
    MaybeError writeAt(qint64 offset, const char* data, qint64 size);
    MaybeError truncate(qint64 bytes);
    // Forces what was written onto the disk.
    MaybeError sync();
    MaybeError close();

    // Reads record n; found is false when the file holds no whole record n.
    MaybeError readRecord(qint64 n, Record& record, bool& found) const;
    MaybeError writeRecord(qint64 n, const Record& record);

    // Copies size bytes from offset from of source to offset to, inside the system where it
    // can; copied tells how far it got before the system declined the rest.
    MaybeError copyFrom(const DataFile& source, qint64 from, qint64 to, qint64 size,
                        qint64& copied);
    // Tells the system that the file will be read from start to end.
    void adviseSequential() const;
    // Has the system start writing a range that was written to the disk; sync() still tells
    // whether it got there.
    void startWriteback(qint64 offset, qint64 size) const;

    static constexpr qint64 offsetOf(qint64 n) { return (n - 1) * kRecordSize; }
    // Whole records in a file of the given length; an incomplete tail is not a record.
    static constexpr qint64 recordCount(qint64 bytes) { return bytes / kRecordSize; }

    static MaybeError rename(const QString& from, const QString& to);
    static MaybeError remove(const QString& path);
    static MaybeError syncFolder(const QString& folder);
    // Makes the folder and any missing folder above it.
    static MaybeError makeFolder(const QString& folder);
    // The file a name stands for: the name itself, or the file at the end of its links. A link
    // whose file is missing is an error.
    static MaybeError resolveLink(const QString& path, QString& resolved);

private:
    static StoreError danglingLink(const QString& path);
    MaybeError adopt(int fd, const QString& path);

    int m_fd = -1;
    bool m_created = false;
    QString m_path;
};
