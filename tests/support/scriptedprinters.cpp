#include "scriptedprinters.h"

namespace {

// Hands the window a canvas while the harness keeps the recording.
class SharedCanvas final : public PrintCanvas {
public:
    explicit SharedCanvas(std::shared_ptr<RecordingCanvas> c)
        : m_c(std::move(c)) {}
    void setFontName(const QString& face) override { m_c->setFontName(face); }
    void setFontSize(qreal points) override { m_c->setFontSize(points); }
    void setFontBold(bool bold) override { m_c->setFontBold(bold); }
    void setCurrentX(qreal mm) override { m_c->setCurrentX(mm); }
    void setCurrentY(qreal mm) override { m_c->setCurrentY(mm); }
    void printText(const QString& text, bool endLine) override { m_c->printText(text, endLine); }
    void advanceToColumn(int column) override { m_c->advanceToColumn(column); }
    void drawLine(qreal x1, qreal y1, qreal x2, qreal y2) override {
        m_c->drawLine(x1, y1, x2, y2);
    }
    int page() const override { return m_c->page(); }
    void newPage() override { m_c->newPage(); }
    bool endDocument() override { return m_c->endDocument(); }
    void abort() override { m_c->abort(); }
    QString errorReason() const override { return m_c->errorReason(); }

private:
    std::shared_ptr<RecordingCanvas> m_c;
};

} // namespace

QString ScriptedPrinters::defaultPrinterName() const {
    return useSystemPrinter ? m_system.defaultPrinterName() : printerName;
}

std::unique_ptr<PrintCanvas> ScriptedPrinters::openDefaultPrinter(const QString& jobName,
                                                                  QString& reason) {
    if (useSystemPrinter) {
        m_jobs.append({QStringLiteral("printer"), jobName, nullptr});
        return m_system.openDefaultPrinter(jobName, reason);
    }
    if (printerName.isEmpty() || !beginFailure.isEmpty()) {
        reason = printerName.isEmpty() ? QStringLiteral("nincs nyomtató") : beginFailure;
        return nullptr;
    }
    auto canvas = std::make_shared<RecordingCanvas>(endFailure);
    m_jobs.append({QStringLiteral("printer"), jobName, canvas});
    return std::make_unique<SharedCanvas>(canvas);
}

std::unique_ptr<PrintCanvas>
ScriptedPrinters::openPdfFile(const QString& path, const QString& jobName, QString& reason) {
    m_jobs.append({path, jobName, nullptr});
    return m_system.openPdfFile(path, jobName, reason);
}
