#include "vcard/vcardexchange.h"

#include "store/appendbatch.h"
#include "store/datafile.h"
#include "store/exchangefile.h"
#include "vcard/vcardreader.h"
#include "vcard/vcardwriter.h"

#include <QIODevice>

namespace {

// The file being imported as a sequential device, read through the store's own file access so
// that its failures keep their reasons.
class SourceDevice : public QIODevice {
public:
    explicit SourceDevice(const DataFile& file)
        : m_file(file) {}
    bool isSequential() const override { return true; }
    const MaybeError& error() const { return m_error; }

protected:
    qint64 readData(char* data, qint64 max) override {
        qint64 got = 0;
        if (auto err = m_file.readAt(m_offset, data, max, got)) {
            m_error = err;
            return -1;
        }
        m_offset += got;
        return got;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const DataFile& m_file;
    qint64 m_offset = 0;
    MaybeError m_error;
};

} // namespace

VCardImportResult importVCard(const DataStore& store, const QString& path) {
    return importIntoBatch(store, path, [&path](const DataFile& source, RecordAppendBatch& batch) {
        SourceDevice device(source);
        device.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        qint64 cards = 0;
        MaybeError err = vcard::readCards(device, path, [&](const Record& r) {
            ++cards;
            return batch.add(r);
        });
        if (device.error())
            return device.error();
        if (!err && cards == 0) {
            // A file picked by mistake must not read as a successful import of nothing.
            StoreError e;
            e.action = StoreError::Action::FindContacts;
            e.path = path;
            e.detail = QStringLiteral("A fájl nem vCard formátumú, vagy egyik névjegye sem "
                                      "kezdődik „BEGIN:VCARD” sorral.");
            err = e;
        }
        return err;
    });
}

MaybeError exportVCard(const DataStore& store, const QString& target, qint64* count) {
    {
        DataFile data;
        if (auto err = data.open(store.dataPath(), DataFile::Access::Read))
            return err;
        if (auto err = refuseDataFile(data, target))
            return err;
    }
    return replaceFileWhole(
        target, [&](QIODevice& out) { return vcard::writeCards(store, out, target, count); });
}
