#pragma once

#include "testdata.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Contacts named "Ügyfél 001", "Ügyfél 002", …, so that the list's order is theirs.
extern const SampleContacts kNumbered;

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
