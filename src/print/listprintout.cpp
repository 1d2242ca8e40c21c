#include "print/listprintout.h"

#include "print/printcanvas.h"

#include <array>

namespace {

constexpr qreal kFirstRowTop = 23;
constexpr qreal kRowHeight = 5;

// Rules: the vertical ones from the column titles down past the last row, the horizontal
// ones under the titles and under each row.
constexpr std::array<qreal, 5> kVerticalRules = {10, 50, 113, 135, 156};
constexpr qreal kVerticalTop = 18;
constexpr qreal kVerticalBottom = 275;
constexpr qreal kFirstRule = 22;
constexpr int kHorizontalRules = 51;
constexpr qreal kRuleLeft = 1;
constexpr qreal kRuleRight = 200;

// Left edge of each cell of a contact row.
constexpr std::array<qreal, 6> kCellX = {1, 11, 51, 114, 136, 157};

constexpr int kStreetChars = 35;
constexpr int kNoteChars = 30;

} // namespace

ListPrintout::ListPrintout(PrintCanvas& canvas, QString heading, QString date)
    : m_canvas(canvas)
    , m_heading(std::move(heading))
    , m_date(std::move(date)) {}

QStringList ListPrintout::rowCells(qint64 runningNumber, const Record& record) {
    // The running number keeps a blank where a sign would stand.
    const QString number = QLatin1Char(' ') + QString::number(runningNumber);
    const QString address = record.displayField(Field::Irszam) + QLatin1Char(' ') +
                            record.displayField(Field::Telepules) + QStringLiteral(", ") +
                            record.rawField(Field::Cim).left(kStreetChars);
    return {number,
            record.rawField(Field::Nev),
            address,
            record.displayField(Field::Tel1),
            record.displayField(Field::Tel2),
            record.rawField(Field::Megj).left(kNoteChars)};
}

MaybeError ListPrintout::print(const QList<qint64>& recordNumbers, const RecordReader& read) {
    m_canvas.setFontBold(false);
    startPage();
    m_pageRows = 0;
    m_running = 0;

    Record record;
    for (const qint64 n : recordNumbers) {
        bool found = false;
        if (MaybeError err = read(n, record, found))
            return err;
        if (!found)
            continue;
        ++m_running;
        row(record);
        m_y += kRowHeight;
        if (++m_pageRows == kRowsPerPage) {
            // A full page always gets a successor, even when no row follows.
            m_pageRows = 0;
            m_canvas.newPage();
            startPage();
        }
    }
    return std::nullopt;
}

void ListPrintout::startPage() {
    pageHeader();
    grid();
    m_y = kFirstRowTop;
}

void ListPrintout::pageHeader() {
    m_canvas.setFontName(kFace);
    m_canvas.setFontSize(10);
    m_canvas.printText(QString(), true);
    m_canvas.advanceToColumn(115);
    m_canvas.printText(QString::number(m_canvas.page()) + QStringLiteral(". oldal   ") + m_date,
                       true);
    m_canvas.setFontSize(12);
    m_canvas.advanceToColumn(10);
    m_canvas.printText(m_heading, true);
    m_canvas.printText(QString(), true);
    m_canvas.setFontSize(10);
    m_canvas.advanceToColumn(20);
    m_canvas.printText(QStringLiteral("Név"), false);
    m_canvas.advanceToColumn(55);
    m_canvas.printText(QStringLiteral("Cím"), false);
    m_canvas.advanceToColumn(83);
    m_canvas.printText(QStringLiteral("Telefon "), false);
    m_canvas.advanceToColumn(99);
    m_canvas.printText(QStringLiteral("Telefon"), false);
    m_canvas.advanceToColumn(120);
    m_canvas.printText(QStringLiteral("Megjegyzés"), true);
}

void ListPrintout::grid() {
    for (const qreal x : kVerticalRules)
        m_canvas.drawLine(x, kVerticalTop, x, kVerticalBottom);
    for (int k = 0; k < kHorizontalRules; ++k) {
        const qreal y = kFirstRule + kRowHeight * k;
        m_canvas.drawLine(kRuleLeft, y, kRuleRight, y);
    }
}

void ListPrintout::row(const Record& record) {
    m_canvas.setFontSize(9);
    const QStringList cells = rowCells(m_running, record);
    m_canvas.setCurrentX(kCellX[0]);
    m_canvas.setCurrentY(m_y);
    for (int i = 0; i < cells.size(); ++i) {
        if (i > 0)
            m_canvas.setCurrentX(kCellX[static_cast<std::size_t>(i)]);
        m_canvas.printText(cells[i], i + 1 == cells.size());
    }
}
