#include "platform/qtprinters.h"

#include "platform/printfont.h"
#include "store/storeerror.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qreal kMmPerInch = 25.4;
constexpr qreal kPointsPerInch = 72;

QString jobFailed() {
    return QStringLiteral("A nyomtatási feladat nem jutott el a nyomtatóig.");
}

} // namespace

QtPrintCanvas::QtPrintCanvas(std::unique_ptr<QPrinter> printer, QString pdfPath)
    : m_printer(std::move(printer))
    , m_pdfPath(std::move(pdfPath)) {}

QtPrintCanvas::~QtPrintCanvas() {
    if (m_active)
        abort();
}

bool QtPrintCanvas::begin(QString& reason) {
    if (!m_painter.begin(m_printer.get())) {
        reason = m_pdfPath.isEmpty()
                     ? QStringLiteral("A nyomtató nem fogadja a nyomtatási feladatot.")
                     : QStringLiteral("A PDF-fájl nem hozható létre.");
        return false;
    }
    m_active = true;
    m_dotsPerMm = m_printer->logicalDpiX() / kMmPerInch;
    // The printer's thinnest line.
    m_painter.setPen(QPen(Qt::black, 0));
    m_painter.setBrush(Qt::NoBrush);
    m_face = QStringLiteral("Times New Roman CE");
    applyFont();
    return true;
}

// A long job sets the same font again on every row; only a change is applied.
void QtPrintCanvas::setFontName(const QString& face) {
    if (face == m_face)
        return;
    m_face = face;
    applyFont();
}

void QtPrintCanvas::setFontSize(qreal points) {
    if (points == m_points)
        return;
    m_points = points;
    applyFont();
}

void QtPrintCanvas::setFontBold(bool bold) {
    if (bold == m_bold)
        return;
    m_bold = bold;
    applyFont();
}

void QtPrintCanvas::applyFont() {
    if (!m_active)
        return;
    // A text printed before the change moves the position by its own font's width.
    settleX();
    const QFont font = printFont(m_face, m_points, m_bold);
    m_painter.setFont(font);
    m_metrics.emplace(m_painter.font(), m_printer.get());
    m_ascent = m_metrics->ascent();
    m_lineHeight = m_metrics->lineSpacing();
    // The column width depends on the face and weight only; reading the face's tables once
    // per face keeps a long job fast.
    const QString key = m_face + (m_bold ? QStringLiteral("/b") : QStringLiteral("/r"));
    auto it = m_columnEm.constFind(key);
    if (it == m_columnEm.constEnd())
        it = m_columnEm.insert(key, averageCharWidthEm(font));
    m_columnWidth = *it * m_points / kPointsPerInch * m_printer->logicalDpiX();
}

void QtPrintCanvas::setCurrentX(qreal mm) {
    m_pendingAdvance.clear();
    m_x = mm * m_dotsPerMm;
}

void QtPrintCanvas::setCurrentY(qreal mm) {
    m_y = mm * m_dotsPerMm;
}

void QtPrintCanvas::printText(const QString& text, bool endLine) {
    if (!m_active)
        return;
    settleX();
    // Trailing blanks leave no ink; the fixed-width fields are full of them.
    qsizetype inked = text.size();
    while (inked > 0 && text[inked - 1] == QLatin1Char(' '))
        --inked;
    if (inked > 0)
        m_painter.drawText(QPointF(m_x, m_y + m_ascent), text.first(inked));
    if (endLine) {
        m_x = 0;
        m_y += m_lineHeight;
    } else {
        // Measured only when something follows on the line without a position of its own;
        // a table row sets one for every cell.
        m_pendingAdvance = text;
    }
}

void QtPrintCanvas::settleX() {
    if (m_pendingAdvance.isEmpty() || !m_metrics)
        return;
    m_x += m_metrics->horizontalAdvance(m_pendingAdvance);
    m_pendingAdvance.clear();
}

void QtPrintCanvas::advanceToColumn(int column) {
    m_pendingAdvance.clear();
    m_x = (column - 1) * m_columnWidth;
}

void QtPrintCanvas::drawLine(qreal x1, qreal y1, qreal x2, qreal y2) {
    if (!m_active)
        return;
    m_painter.drawLine(QPointF(x1 * m_dotsPerMm, y1 * m_dotsPerMm),
                       QPointF(x2 * m_dotsPerMm, y2 * m_dotsPerMm));
    m_pendingAdvance.clear();
    m_x = x2 * m_dotsPerMm;
    m_y = y2 * m_dotsPerMm;
}

void QtPrintCanvas::newPage() {
    if (!m_active)
        return;
    if (!m_printer->newPage() && !m_failed) {
        m_failed = true;
        m_reason = jobFailed();
    }
    ++m_page;
    m_pendingAdvance.clear();
    m_x = 0;
    m_y = 0;
}

bool QtPrintCanvas::endDocument() {
    if (!m_active)
        return false;
    m_active = false;
    const bool ended = m_painter.end();
    if (!m_failed && (!ended || m_printer->printerState() == QPrinter::Error)) {
        m_failed = true;
        m_reason = jobFailed();
    }
    if (!m_failed && !m_pdfPath.isEmpty() && !pdfComplete()) {
        m_failed = true;
        m_reason = QStringLiteral("A PDF-fájl nem íródott ki teljesen; "
                                  "lehet, hogy megtelt a lemez.");
    }
    return !m_failed;
}

bool QtPrintCanvas::pdfComplete() const {
    // The PDF writer does not report a failed write; a complete file ends with its trailer.
    QFile f(m_pdfPath);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 64)
        return false;
    f.seek(f.size() - 64);
    return f.read(64).contains("%%EOF");
}

void QtPrintCanvas::abort() {
    if (!m_active)
        return;
    m_active = false;
    m_printer->abort();
    m_painter.end();
    if (!m_pdfPath.isEmpty())
        QFile::remove(m_pdfPath);
}

QString QtPrinters::defaultPrinterName() const {
    // A QPrinter made without any printer installed turns silently into a PDF printer with no
    // file, so ask first.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    return info.isNull() ? QString() : info.printerName();
}

std::unique_ptr<PrintCanvas> QtPrinters::openDefaultPrinter(const QString& jobName,
                                                            QString& reason) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        reason = QStringLiteral("Nincs alapértelmezett nyomtató.");
        return nullptr;
    }
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setDocName(jobName);
    printer->setFullPage(false);
    auto canvas = std::make_unique<QtPrintCanvas>(std::move(printer));
    if (!canvas->begin(reason))
        return nullptr;
    return canvas;
}

std::unique_ptr<PrintCanvas> QtPrinters::openPdfFile(const QString& path, const QString& jobName,
                                                     QString& reason) {
    // The PDF writer gives no reason when it cannot write the file; find it out first.
    const QByteArray native = QFile::encodeName(path);
    const bool existed = QFile::exists(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        reason = systemError(StoreError::Action::Create, path, errno).reason();
        return nullptr;
    }
    ::close(fd);

    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    printer->setDocName(jobName);
    printer->setCreator(jobName);
    printer->setFullPage(false);
    // A printer's unprintable border is about 5 mm; the table, 200 mm by 275 mm from the
    // corner of the printable area, fits an A4 page with it.
    printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                       QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter));
    auto canvas = std::make_unique<QtPrintCanvas>(std::move(printer), path);
    if (!canvas->begin(reason)) {
        if (!existed)
            QFile::remove(path);
        return nullptr;
    }
    return canvas;
}
