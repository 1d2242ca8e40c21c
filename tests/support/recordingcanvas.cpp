#include "recordingcanvas.h"

RecordingCanvas::RecordingCanvas(QString endFailure)
    : m_endFailure(std::move(endFailure)) {}

void RecordingCanvas::setCurrentX(qreal mm) {
    m_x = mm;
    m_column = -1;
}

void RecordingCanvas::setCurrentY(qreal mm) {
    m_y = mm;
    m_line = 0;
}

void RecordingCanvas::advanceToColumn(int column) {
    m_x = -1;
    m_column = column;
}

void RecordingCanvas::printText(const QString& text, bool endLine) {
    m_texts.append({m_page, text, m_face, m_points, m_bold, m_x, m_column, m_y, m_line, endLine});
    // What follows on the line has no position of its own until one is set.
    m_x = -1;
    m_column = -1;
    if (endLine) {
        m_x = 0;
        ++m_line;
    }
}

void RecordingCanvas::drawLine(qreal x1, qreal y1, qreal x2, qreal y2) {
    m_lines.append({m_page, x1, y1, x2, y2});
}

void RecordingCanvas::newPage() {
    ++m_page;
    m_x = 0;
    m_column = -1;
    m_y = -1;
    m_line = 0;
}

bool RecordingCanvas::endDocument() {
    ++m_ends;
    return m_endFailure.isEmpty();
}

QList<RecordingCanvas::Text> RecordingCanvas::textsOnPage(int page) const {
    QList<Text> out;
    for (const Text& t : m_texts)
        if (t.page == page)
            out.append(t);
    return out;
}

QList<RecordingCanvas::Line> RecordingCanvas::linesOnPage(int page) const {
    QList<Line> out;
    for (const Line& l : m_lines)
        if (l.page == page)
            out.append(l);
    return out;
}

QList<QList<RecordingCanvas::Text>> RecordingCanvas::rows() const {
    QList<QList<Text>> out;
    for (const Text& t : m_texts) {
        if (t.y < 0 || t.column > 0)
            continue;
        if (t.x == 1 || out.isEmpty())
            out.append(QList<Text>());
        out.last().append(t);
    }
    return out;
}
