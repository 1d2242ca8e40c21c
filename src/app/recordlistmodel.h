#pragma once

#include "recordrows.h"

#include <QAbstractTableModel>

// The rows of ListView1: a view of what was last read from Telefon.dat, replaced as a whole on
// every reload or search. Once a column has been chosen for sorting, every new set of rows is
// shown sorted by it.
class RecordListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Empty rows to fill for setRows(), holding the memory of the rows it last replaced: a
    // large list is then refilled without asking the system for fresh memory each time.
    RecordRows takeSpareRows();
    // Replaces all rows with one reset; the rows replaced become the spare ones.
    void setRows(RecordRows rows);
    // Empties the list and gives its memory back.
    void clear();

    // Sorts ascending by a column (0 to 6) from now on.
    void sortByColumn(int column);
    int sortColumn() const { return m_sortColumn; }

    qint64 recordNumber(int row) const;
    QString text(int row, int column) const;

private:
    RecordRows m_rows;
    RecordRows m_spare;
    int m_sortColumn = -1;
};
