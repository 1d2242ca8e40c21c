#include "store/exchangefile.h"

#include "store/posixfs.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace {

// The answer of a check whether an exchange file is Telefon.dat.
MaybeError refusal(bool same, int checkError, const QString& path) {
    if (same) {
        StoreError e = systemError(StoreError::Action::Open, path, 0);
        e.detail = QStringLiteral("Ez a névjegyzék saját adatállománya (Telefon.dat); "
                                  "ehhez válasszon egy másik fájlt.");
        return e;
    }
    if (checkError != 0)
        return systemError(StoreError::Action::Open, path, checkError);
    return std::nullopt;
}

} // namespace

MaybeError refuseDataFile(const DataFile& data, const QString& path) {
    int checkError = 0;
    const bool same = data.isSameFile(path, checkError);
    return refusal(same, checkError, path);
}

MaybeError refuseDataFile(const DataFile& data, const DataFile& exchange) {
    int checkError = 0;
    const bool same = data.isSameFile(exchange, checkError);
    return refusal(same, checkError, exchange.path());
}

StoreError exchangeWriteError(StoreError::Action action, const QString& path, int code,
                              const QIODevice& device) {
    StoreError e = systemError(action, path, code);
    if (code == 0)
        e.detail = device.errorString();
    return e;
}

MaybeError replaceFileWhole(const QString& target,
                            const std::function<MaybeError(QIODevice& out)>& fill) {
    // QSaveFile would tell these two only in English.
    const QFileInfo existing(target);
    if (existing.isDir())
        return systemError(StoreError::Action::Create, target, EISDIR);
    if (existing.exists() && !existing.isWritable())
        return systemError(StoreError::Action::Create, target, EACCES);

    QSaveFile out(target);
    // Writing straight into the target would leave it half-written on a failure.
    out.setDirectWriteFallback(false);
    errno = 0;
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return exchangeWriteError(StoreError::Action::Create, target, errno, out);
    if (auto err = fill(out)) {
        out.cancelWriting();
        return err;
    }
    errno = 0;
    if (!out.flush()) {
        const int code = errno;
        out.cancelWriting();
        return exchangeWriteError(StoreError::Action::Write, target, code, out);
    }
    // commit() would not notice a failed flush to the disk.
    if (fsys::fdatasync(out.handle()) != 0) {
        const int code = errno;
        out.cancelWriting();
        return systemError(StoreError::Action::Flush, target, code);
    }
    errno = 0;
    if (!out.commit())
        return exchangeWriteError(StoreError::Action::Write, target, errno, out);
    // The new file is in place; a folder that cannot be synced does not undo that, but a power
    // cut still may.
    if (auto err = DataFile::syncFolder(existing.absolutePath())) {
        err->state = StoreError::State::ChangedNotSynced;
        return err;
    }
    return std::nullopt;
}

ImportResult importIntoBatch(
    const DataStore& store, const QString& path,
    const std::function<MaybeError(const DataFile& source, RecordAppendBatch& batch)>& read) {
    ImportResult result;
    DataFile source;
    if (auto err = source.openExisting(path)) {
        result.error = err;
        return result;
    }
    RecordAppendBatch batch(store);
    if (auto err = batch.begin()) {
        result.error = err;
        return result;
    }
    // Reading Telefon.dat into itself would never end.
    MaybeError err = refuseDataFile(batch.dataFile(), source);
    if (!err) {
        source.adviseSequential();
        err = read(source, batch);
    }
    if (!err)
        err = batch.commit();
    if (err) {
        // A failed write has already rolled the batch back; a failed read has not. A commit
        // that could only not sync the folder has kept the contacts: nothing is rolled back.
        (void)batch.rollback();
        result.dataUnchanged = batch.fileUnchanged();
        result.error = err;
        if (err->state != StoreError::State::ChangedNotSynced)
            return result;
    }
    result.added = batch.added();
    return result;
}
