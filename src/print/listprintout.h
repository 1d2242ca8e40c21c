#pragma once

#include "store/record.h"
#include "store/storeerror.h"

#include <QList>
#include <QString>

#include <functional>

class PrintCanvas;

// Reads record n for the printout; found is false when the file has no record n.
using RecordReader = std::function<MaybeError(qint64 n, Record& record, bool& found)>;

// The contacts of the record list as a ruled table: a page header with the page number, the
// date, the heading and the column titles, then 50 rows of 9-point text to a page, each
// reading its contact from the data file by record number.
class ListPrintout {
public:
    static constexpr int kRowsPerPage = 50;
    static inline const QString kFace = QStringLiteral("Times New Roman CE");

    ListPrintout(PrintCanvas& canvas, QString heading, QString date);

    // Lays out every page for the record numbers, in their order; a number the file no longer
    // holds is left out and does not count. The document is left open for the caller to end
    // or abort. Stops at the first read error and returns it.
    MaybeError print(const QList<qint64>& recordNumbers, const RecordReader& read);

    // The rows printed so far.
    qint64 printedRows() const { return m_running; }

    // The six cells of one contact row, left to right.
    static QStringList rowCells(qint64 runningNumber, const Record& record);

private:
    // The header and the grid of a new page; the rows start below them.
    void startPage();
    void pageHeader();
    void grid();
    void row(const Record& record);

    PrintCanvas& m_canvas;
    QString m_heading;
    QString m_date;
    qint64 m_running = 0;
    int m_pageRows = 0;
    qreal m_y = 0;
};
