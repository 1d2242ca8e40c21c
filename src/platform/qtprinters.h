#pragma once

#include "platform/printers.h"
#include "print/printcanvas.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>

#include <memory>
#include <optional>

class QPrinter;

// A print job painted on a QPrinter: the default printer or a PDF file.
class QtPrintCanvas final : public PrintCanvas {
public:
    // Takes the printer; begin() starts the job.
    explicit QtPrintCanvas(std::unique_ptr<QPrinter> printer, QString pdfPath = QString());
    ~QtPrintCanvas() override;

    bool begin(QString& reason);

    void setFontName(const QString& face) override;
    void setFontSize(qreal points) override;
    void setFontBold(bool bold) override;
    void setCurrentX(qreal mm) override;
    void setCurrentY(qreal mm) override;
    void printText(const QString& text, bool endLine) override;
    void advanceToColumn(int column) override;
    void drawLine(qreal x1, qreal y1, qreal x2, qreal y2) override;
    int page() const override { return m_page; }
    void newPage() override;
    bool endDocument() override;
    void abort() override;
    QString errorReason() const override { return m_reason; }

private:
    void applyFont();
    void settleX();
    bool pdfComplete() const;

    std::unique_ptr<QPrinter> m_printer;
    QString m_pdfPath;
    QPainter m_painter;
    qreal m_dotsPerMm = 1;
    QString m_face;
    qreal m_points = 10;
    bool m_bold = false;
    std::optional<QFontMetricsF> m_metrics;
    QString m_pendingAdvance;
    qreal m_ascent = 0;
    qreal m_lineHeight = 0;
    qreal m_columnWidth = 0;
    QHash<QString, qreal> m_columnEm;
    qreal m_x = 0;
    qreal m_y = 0;
    int m_page = 1;
    bool m_active = false;
    bool m_failed = false;
    QString m_reason;
};

// The system's printers through Qt's print support.
class QtPrinters final : public Printers {
public:
    QString defaultPrinterName() const override;
    std::unique_ptr<PrintCanvas> openDefaultPrinter(const QString& jobName,
                                                    QString& reason) override;
    std::unique_ptr<PrintCanvas> openPdfFile(const QString& path, const QString& jobName,
                                             QString& reason) override;
};
