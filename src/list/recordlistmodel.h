#pragma once

#include "list/listsort.h"
#include "list/recordrows.h"

#include <QAbstractTableModel>

#include <memory>

// The rows of ListView1: a view of what was last read from Telefon.dat, replaced as a whole on
// every reload or search. Once a column has been chosen for sorting, every new set of rows is
// shown sorted by it. The rows are kept in the order they were read; sorting only changes the
// order in which they are shown.
class RecordListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // The tree view asks for the index and the flags of every row each time it lays out the
    // list; these answer without the base classes' chain of virtual calls.
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Empty rows to fill for setRows(), holding the memory of the rows it last replaced: a
    // large list is then refilled without asking the system for fresh memory each time. Before
    // any rows were replaced, they hold room reserved for as many rows as are shown.
    RecordRows takeSpareRows();
    // Replaces all rows with one reset; the rows replaced become the spare ones.
    void setRows(RecordRows rows);
    // Empties the list and gives its memory back.
    void clear();

    // Sorts ascending by a column (a ListColumn) from now on.
    void sortByColumn(int column);
    int sortColumn() const { return m_sorter ? m_sorter->column() : -1; }

    qint64 recordNumber(int row) const;
    QString text(int row, int column) const;

private:
    // The index in m_rows of the row shown at a place.
    std::size_t rowAt(int row) const {
        return m_order.empty() ? static_cast<std::size_t>(row)
                               : m_order[static_cast<std::size_t>(row)];
    }

    RecordRows m_rows;
    RecordRows m_spare;
    // The shown order while the list is sorted, else empty.
    ListVector<std::uint32_t> m_order;
    std::unique_ptr<ColumnSorter> m_sorter;
};
