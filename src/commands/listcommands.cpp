#include "commands/listcommands.h"

#include "commands/errorreport.h"
#include "list/recordlistmodel.h"
#include "platform/logging.h"
#include "store/datastore.h"
#include "store/fieldmatcher.h"

#include <new>
#include <utility>

ListCommands::ListCommands(const DataStore& store, RecordListModel& model, ErrorReport& errors)
    : m_store(store)
    , m_model(model)
    , m_errors(errors) {}

void ListCommands::outOfMemory() {
    m_model.clear();
    m_errors.listOutOfMemory();
}

void ListCommands::reload() {
    try {
        RecordRows rows = m_model.takeSpareRows();
        const MaybeError err =
            m_store.forEachRecord([&rows](const char* block, qint64 first, qint64 count) {
                rows.addRecords(block, first, count);
            });
        if (err) {
            m_model.clear();
            m_errors.failure(*err, QStringLiteral("A névjegyzék üresen marad."));
            return;
        }
        m_model.setRows(std::move(rows));
    } catch (const std::bad_alloc&) {
        outOfMemory();
    }
}

void ListCommands::search(Field field, const QString& text, bool emptyListFirst) {
    try {
        const FieldMatcher matcher(field, text);
        RecordRows rows = m_model.takeSpareRows();
        qint64 length = 0;
        // A failed read ends the search with the rows found until then.
        if (const MaybeError err = m_store.forEachRecord(
                [&](const char* records, qint64 first, qint64 count) {
                    rows.addMatching(records, first, count, matcher);
                },
                length))
            qCInfo(lcList).noquote() << "search ended early:" << err->message();
        if (emptyListFirst || length > 0)
            m_model.setRows(std::move(rows));
    } catch (const std::bad_alloc&) {
        outOfMemory();
    }
}

void ListCommands::sortBy(int column) {
    // The column is chosen even when there is no memory to sort the list by it now: the next
    // filling of the list sorts by it.
    try {
        m_model.sortByColumn(column);
    } catch (const std::bad_alloc&) {
        outOfMemory();
    }
}

bool ListCommands::shows(qint64 recNo) const {
    for (int row = 0; row < m_model.rowCount(); ++row)
        if (m_model.recordNumber(row) == recNo)
            return true;
    return false;
}
