#pragma once

#include <QString>

// A page-by-page print job, in millimetres from the top-left corner of the printable area.
// Text is printed at the current position in the font in force, the way a line printer
// works: a text either stays on the line (the position moves on behind it) or ends the line
// (the position goes to the left edge, one line height down).
class PrintCanvas {
public:
    virtual ~PrintCanvas() = default;

    virtual void setFontName(const QString& face) = 0;
    virtual void setFontSize(qreal points) = 0;
    virtual void setFontBold(bool bold) = 0;

    virtual void setCurrentX(qreal mm) = 0;
    virtual void setCurrentY(qreal mm) = 0;

    virtual void printText(const QString& text, bool endLine) = 0;
    // Moves to character column n (from 1) on the current line; a column is as wide as the
    // average character of the font in force.
    virtual void advanceToColumn(int column) = 0;
    virtual void drawLine(qreal x1, qreal y1, qreal x2, qreal y2) = 0;

    // The current page, from 1.
    virtual int page() const = 0;
    // Starts the next page with the position at its top-left corner.
    virtual void newPage() = 0;
    // Finishes the job and hands it on; false when the job or any page of it failed, with
    // errorReason() telling why in Hungarian.
    virtual bool endDocument() = 0;
    // Drops an unfinished job.
    virtual void abort() = 0;
    virtual QString errorReason() const = 0;
};
