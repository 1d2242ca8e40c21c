#pragma once

#include "store/record.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// A contact from texts in the record's field order (name, settlement, postcode, street
// address, telephone 1, telephone 2, note, e-mail address, web address).
Record makeRecord(const QStringList& fields);

// n contacts named "Ügyfél 001", "Ügyfél 002", … as the bytes of a data file.
QByteArray numberedContacts(int n);

// The record numbers 1 to n.
QList<qint64> oneTo(qsizetype n);

// Runs a command to its end; its standard output, or a null array when it could not run or
// failed.
QByteArray runTool(const QString& program, const QStringList& arguments);

// The PDF's page count from pdfinfo; -1 when it cannot be read.
int pdfPages(const QString& path);
// The PDF's text laid out as on paper, pages separated by form feeds.
QStringList pdfPageTexts(const QString& path);

// A word of a PDF page with its box in millimetres from the page's top-left corner.
struct PdfWord {
    int page;
    QString text;
    qreal left, top, right, bottom;
};
QList<PdfWord> pdfWords(const QString& path);
