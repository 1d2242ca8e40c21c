#pragma once

#include "platform/printers.h"
#include "platform/qtprinters.h"
#include "recordingcanvas.h"

#include <QList>
#include <QString>

#include <memory>

// Stands in for the system's printers. The default printer records its jobs; PDF files are
// written for real, so that a test can read them back. With useSystemPrinter the default
// printer is the system's own.
class ScriptedPrinters final : public Printers {
public:
    struct Job {
        QString target; // "printer" or the PDF file's path
        QString name;
        std::shared_ptr<RecordingCanvas> canvas; // null for real jobs
    };

    // Empty: no printer is installed.
    QString printerName = QStringLiteral("Irodai nyomtató");
    // Reasons the printer fails with when the job begins or ends; empty for none.
    QString beginFailure;
    QString endFailure;
    bool useSystemPrinter = false;

    const QList<Job>& jobs() const { return m_jobs; }
    // The last job's recording; null when there was none or it went to a real printer or file.
    const RecordingCanvas* lastCanvas() const {
        return m_jobs.isEmpty() ? nullptr : m_jobs.last().canvas.get();
    }

    QString defaultPrinterName() const override;
    std::unique_ptr<PrintCanvas> openDefaultPrinter(const QString& jobName,
                                                    QString& reason) override;
    std::unique_ptr<PrintCanvas> openPdfFile(const QString& path, const QString& jobName,
                                             QString& reason) override;

private:
    QtPrinters m_system;
    QList<Job> m_jobs;
};
