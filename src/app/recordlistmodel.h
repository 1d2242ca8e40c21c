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

    // Replaces all rows with one reset.
    void setRows(RecordRows rows);
    void clear();

    // Sorts ascending by a column (0 to 6) from now on.
    void sortByColumn(int column);
    int sortColumn() const { return m_sortColumn; }

    qint64 recordNumber(int row) const;
    QString text(int row, int column) const;

private:
    RecordRows m_rows;
    int m_sortColumn = -1;
};
