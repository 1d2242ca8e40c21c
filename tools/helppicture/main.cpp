// zelvanor_helppicture path: draws the import help picture, a spreadsheet of 1197 × 129 pixels
// with one sample contact in row 1 in the column order the CSV import reads, and saves it as
// a JPEG.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <array>
#include <cstdio>

namespace {

constexpr int kWidth = 1197;
constexpr int kHeight = 129;
constexpr int kRowHeaderWidth = 30;
constexpr int kBarHeight = 27;     // name box and formula bar
constexpr int kHeadingHeight = 18; // column letters
constexpr int kRowHeight = 21;

const QColor kGrid(0xD4, 0xD4, 0xD4);
const QColor kHeaderFill(0xF2, 0xF2, 0xF2);
const QColor kHeaderLine(0xAB, 0xAB, 0xAB);
const QColor kText(0x20, 0x20, 0x20);

struct Column {
    int width;
    const char16_t* sample;
    bool right; // a number stands at the right of its cell
};

// A: name, B: postcode, C: settlement, D: street address, E and F: telephone numbers,
// G: note, H: e-mail address, I: web address.
constexpr std::array<Column, 9> kColumns = {{
    {128, u"Kovács Péter", false},
    {50, u"1041", true},
    {84, u"Budapest", false},
    {210, u"Deák Ferenc utca 12. 3. em. 4.", false},
    {104, u"06-1-369-2417", false},
    {110, u"06-30-512-8846", false},
    {98, u"munkatárs", false},
    {188, u"kovacs.peter@pelda.hu", false},
    {0, u"www.kovacspeter.hu", false}, // the rest of the width
}};

QFont sheetFont(int pixels, bool bold = false) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void drawPicture(QPainter& p) {
    p.fillRect(0, 0, kWidth, kHeight, Qt::white);

    // Name box showing A4, the function buttons and the formula bar.
    p.fillRect(0, 0, kWidth, kBarHeight, kHeaderFill);
    p.setPen(kHeaderLine);
    p.drawLine(0, kBarHeight - 1, kWidth, kBarHeight - 1);
    const QRect nameBox(4, 3, 92, kBarHeight - 7);
    p.fillRect(nameBox, Qt::white);
    p.drawRect(nameBox);
    p.setPen(kText);
    p.setFont(sheetFont(13));
    p.drawText(nameBox.adjusted(5, 0, -16, 0), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("A4"));
    // The drop-down arrow of the name box.
    const QPoint a(nameBox.right() - 10, nameBox.center().y() - 2);
    p.setBrush(kText);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygon({a, a + QPoint(7, 0), a + QPoint(3, 4)}));
    p.setBrush(Qt::NoBrush);
    p.setPen(kText);
    p.setFont(sheetFont(13, true));
    p.drawText(QRect(nameBox.right() + 8, 3, 26, kBarHeight - 7), Qt::AlignCenter,
               QStringLiteral("fx"));
    p.drawText(QRect(nameBox.right() + 36, 3, 18, kBarHeight - 7), Qt::AlignCenter,
               QStringLiteral("Σ"));
    p.drawText(QRect(nameBox.right() + 56, 3, 18, kBarHeight - 7), Qt::AlignCenter,
               QStringLiteral("="));
    const QRect formula(nameBox.right() + 78, 3, kWidth - nameBox.right() - 82, kBarHeight - 7);
    p.fillRect(formula, Qt::white);
    p.setPen(kHeaderLine);
    p.drawRect(formula);

    // Column headings and row numbers.
    const int top = kBarHeight;
    const int cellsTop = top + kHeadingHeight;
    p.fillRect(0, top, kWidth, kHeadingHeight, kHeaderFill);
    p.fillRect(0, cellsTop, kRowHeaderWidth, kHeight - cellsTop, kHeaderFill);
    p.setFont(sheetFont(12));
    std::array<int, 10> x{};
    x[0] = kRowHeaderWidth;
    for (std::size_t c = 0; c < kColumns.size(); ++c)
        x[c + 1] = kColumns[c].width > 0 ? x[c] + kColumns[c].width : kWidth;
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
        const QRect heading(x[c], top, x[c + 1] - x[c], kHeadingHeight);
        p.setPen(kText);
        p.drawText(heading, Qt::AlignCenter, QString(QChar(u'A' + static_cast<int>(c))));
        p.setPen(kHeaderLine);
        p.drawLine(x[c + 1] - 1, top, x[c + 1] - 1, cellsTop - 1);
    }
    for (int r = 0; r < 4; ++r) {
        const int y = cellsTop + r * kRowHeight;
        p.setPen(kText);
        // Row 4 holds the selected cell, A4; its number is shown highlighted.
        p.setFont(sheetFont(12, r == 3));
        p.drawText(QRect(0, y, kRowHeaderWidth, kRowHeight), Qt::AlignCenter,
                   QString::number(r + 1));
        p.setPen(kHeaderLine);
        p.drawLine(0, y + kRowHeight - 1, kRowHeaderWidth - 1, y + kRowHeight - 1);
    }
    p.setPen(kHeaderLine);
    p.drawLine(0, cellsTop - 1, kWidth, cellsTop - 1);
    p.drawLine(kRowHeaderWidth - 1, top, kRowHeaderWidth - 1, kHeight);
    p.setFont(sheetFont(12, true));
    p.setPen(kText);
    p.drawText(QRect(x[0], top, x[1] - x[0], kHeadingHeight), Qt::AlignCenter, QStringLiteral("A"));

    // The grid.
    p.setPen(kGrid);
    for (std::size_t c = 1; c < x.size(); ++c)
        p.drawLine(x[c] - 1, cellsTop, x[c] - 1, kHeight);
    for (int r = 1; r <= 4; ++r)
        p.drawLine(kRowHeaderWidth, cellsTop + r * kRowHeight - 1, kWidth,
                   cellsTop + r * kRowHeight - 1);

    // Row 1: the sample contact.
    p.setPen(kText);
    p.setFont(sheetFont(13));
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
        const QRect cell(x[c] + 3, cellsTop, x[c + 1] - x[c] - 7, kRowHeight - 1);
        p.drawText(cell, (kColumns[c].right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                   QString::fromUtf16(kColumns[c].sample));
    }

    // The cell cursor on A4.
    const QRect a4(x[0] - 1, cellsTop + 3 * kRowHeight - 1, x[1] - x[0] + 1, kRowHeight + 1);
    p.setPen(QPen(QColor(0x21, 0x73, 0x46), 2));
    p.drawRect(a4.adjusted(1, 1, -1, -1));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s path.jpg\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780); // 96 dots per inch
    image.setDotsPerMeterY(3780);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::TextAntialiasing);
        drawPicture(p);
    }
    QImageWriter writer(QString::fromLocal8Bit(argv[1]), "jpeg");
    writer.setQuality(92);
    if (!writer.write(image)) {
        std::fprintf(stderr, "%s\n", qPrintable(writer.errorString()));
        return 1;
    }
    return 0;
}
