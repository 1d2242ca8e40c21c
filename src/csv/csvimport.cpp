#include "csv/csvimport.h"

#include "csv/csvsplitter.h"
#include "csv/textdecoding.h"
#include "store/appendbatch.h"
#include "store/datafile.h"
#include "store/exchangefile.h"

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
    return importIntoBatch(store, path, [](const DataFile& source, RecordAppendBatch& batch) {
        qint64 length = 0;
        if (auto err = source.length(length))
            return err;

        EncodingSniffer sniffer;
        if (auto err = readBlocks(source, length, [&sniffer](QByteArrayView bytes) {
                sniffer.feed(bytes);
                return !sniffer.decided();
            }))
            return err;

        Windows1250Decoder decoder(sniffer.encoding());
        CsvSplitter splitter;
        MaybeError writeError;
        auto onLine = [&](const CsvSplitter& line) {
            if (!writeError)
                writeError = batch.add(line.record());
        };
        auto put = [&](char c) { splitter.put(c, onLine); };
        if (auto err = readBlocks(source, length, [&](QByteArrayView bytes) {
                decoder.feed(bytes, put);
                return !writeError;
            }))
            return err;
        if (!writeError) {
            decoder.finish(put);
            splitter.finish(onLine);
        }
        return writeError;
    });
}
