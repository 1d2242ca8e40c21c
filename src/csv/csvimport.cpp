#include "csvimport.h"

#include "appendbatch.h"
#include "csvsplitter.h"
#include "datafile.h"
#include "exchangefile.h"
#include "textdecoding.h"

#include <memory>

namespace {

constexpr qint64 kReadBlock = 1 << 20;

// Reads the first length bytes of a file a block at a time; a file that grows meanwhile is read
// only as far as it was long when the import began.
template <typename Fn> MaybeError readBlocks(const DataFile& file, qint64 length, Fn&& fn) {
    std::unique_ptr<char[]> buffer(new char[kReadBlock]);
    for (qint64 offset = 0; offset < length;) {
        qint64 got = 0;
        if (auto err =
                file.readAt(offset, buffer.get(), std::min(kReadBlock, length - offset), got))
            return err;
        if (got == 0)
            break; // the file became shorter
        if (!fn(QByteArrayView(buffer.get(), got)))
            break;
        offset += got;
    }
    return std::nullopt;
}

} // namespace

CsvImportResult importCsv(const DataStore& store, const QString& path) {
    CsvImportResult result;
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
    if (auto err = refuseDataFile(batch.dataFile(), source)) {
        (void)batch.rollback();
        result.error = err;
        return result;
    }
    qint64 length = 0;
    if (auto err = source.length(length)) {
        (void)batch.rollback();
        result.error = err;
        return result;
    }
    source.adviseSequential();

    EncodingSniffer sniffer;
    MaybeError err = readBlocks(source, length, [&sniffer](QByteArrayView bytes) {
        sniffer.feed(bytes);
        return !sniffer.decided();
    });

    if (!err) {
        Windows1250Decoder decoder(sniffer.encoding());
        CsvSplitter splitter;
        MaybeError writeError;
        auto onLine = [&](const CsvSplitter& line) {
            if (!writeError)
                writeError = batch.add(line.record());
        };
        auto put = [&](char c) { splitter.put(c, onLine); };
        err = readBlocks(source, length, [&](QByteArrayView bytes) {
            decoder.feed(bytes, put);
            return !writeError;
        });
        if (!err && !writeError) {
            decoder.finish(put);
            splitter.finish(onLine);
        }
        if (!err)
            err = writeError;
        if (!err)
            err = batch.commit();
    }
    if (err) {
        // A failed write has already rolled the batch back; a failed read has not.
        (void)batch.rollback();
        result.dataUnchanged = batch.fileUnchanged();
        result.error = err;
        return result;
    }
    result.added = batch.added();
    return result;
}
