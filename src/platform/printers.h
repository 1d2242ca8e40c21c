#pragma once

#include <QString>

#include <memory>

class PrintCanvas;

// The system's printers as the program reaches them: the default printer, without a dialog,
// or a PDF file in its stead.
class Printers {
public:
    virtual ~Printers() = default;

    // The default printer's name; empty when no printer is installed.
    virtual QString defaultPrinterName() const = 0;
    // A job on the default printer; null with a Hungarian reason when it cannot begin.
    virtual std::unique_ptr<PrintCanvas> openDefaultPrinter(const QString& jobName,
                                                            QString& reason) = 0;
    // A job written as an A4 PDF file; null with a Hungarian reason when it cannot begin.
    virtual std::unique_ptr<PrintCanvas> openPdfFile(const QString& path, const QString& jobName,
                                                     QString& reason) = 0;
};
