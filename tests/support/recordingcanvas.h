#pragma once

#include "print/printcanvas.h"

#include <QList>
#include <QString>

// A print job kept as what was drawn: every text with the font and position it got, and every
// line, page by page.
class RecordingCanvas final : public PrintCanvas {
public:
    struct Text {
        int page;
        QString text;
        QString face;
        qreal points;
        bool bold;
        // Set by position (x in mm) or by character column; the other is -1.
        qreal x;
        int column;
        // y in mm as last set on the page, -1 before any; line counts the lines ended since.
        qreal y;
        int line;
        bool endsLine;
    };
    struct Line {
        int page;
        qreal x1, y1, x2, y2;
    };

    // endFailure: the reason endDocument() fails with; empty for a job that succeeds.
    explicit RecordingCanvas(QString endFailure = QString());

    void setFontName(const QString& face) override { m_face = face; }
    void setFontSize(qreal points) override { m_points = points; }
    void setFontBold(bool bold) override { m_bold = bold; }
    void setCurrentX(qreal mm) override;
    void setCurrentY(qreal mm) override;
    void printText(const QString& text, bool endLine) override;
    void advanceToColumn(int column) override;
    void drawLine(qreal x1, qreal y1, qreal x2, qreal y2) override;
    int page() const override { return m_page; }
    void newPage() override;
    bool endDocument() override;
    void abort() override { ++m_aborts; }
    QString errorReason() const override { return m_endFailure; }

    const QList<Text>& texts() const { return m_texts; }
    QList<Text> textsOnPage(int page) const;
    QList<Line> linesOnPage(int page) const;
    int pages() const { return m_page; }
    int ends() const { return m_ends; }
    int aborts() const { return m_aborts; }
    // Contact rows: texts set by an explicit x and y; each row's first cell is its number.
    QList<QList<Text>> rows() const;

private:
    QString m_endFailure;
    QString m_face;
    qreal m_points = 0;
    bool m_bold = false;
    qreal m_x = 0;
    int m_column = -1;
    qreal m_y = -1;
    int m_line = 0;
    int m_page = 1;
    int m_ends = 0;
    int m_aborts = 0;
    QList<Text> m_texts;
    QList<Line> m_lines;
};
