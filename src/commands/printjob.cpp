#include "commands/printjob.h"

#include "commands/busypointer.h"
#include "commands/errorreport.h"
#include "forms/programtitle.h"
#include "platform/dialogs.h"
#include "platform/logging.h"
#include "platform/printers.h"
#include "print/listprintout.h"
#include "print/printcanvas.h"
#include "store/datastore.h"
#include "store/exchangefile.h"

#include <QDate>
#include <QDir>
#include <QLocale>

#include <memory>

namespace {

// Printing has only read the file: a failed close loses nothing, and the printout is done.
void closeReadOnly(DataFile& file) {
    if (const MaybeError err = file.close())
        qCInfo(lcPrint).noquote() << "closing after printing failed:" << err->message();
}

} // namespace

PrintJob::PrintJob(const DataStore& store, Dialogs& dialogs, Printers& printers,
                   ErrorReport& errors)
    : m_store(store)
    , m_dialogs(dialogs)
    , m_printers(printers)
    , m_errors(errors) {}

void PrintJob::run(const QList<qint64>& numbers) {
    const QString title = QStringLiteral("Nyomtatás");
    // Cancel gives an empty heading, and printing goes on.
    const QString heading = m_dialogs.prompt(
        title, QStringLiteral("Kérem adja meg a fejléc szövegét!"), QStringLiteral("Zelvanor"));

    const QString printerName = m_printers.defaultPrinterName();
    QString pdfPath;
    if (printerName.isEmpty()) {
        if (!m_dialogs.askYesNo(title, QStringLiteral("Nincs nyomtató telepítve a gépen.\n\n"
                                                      "Elmenti a listát PDF-fájlba?")))
            return;
        pdfPath = m_dialogs.saveFileName(QStringLiteral("*.pdf"), QString());
        if (pdfPath.isEmpty())
            return;
    }

    // Printing only reads the data file, and never writes a PDF over it.
    DataFile file;
    MaybeError err = file.open(m_store.dataPath(), DataFile::Access::Read);
    if (!err && !pdfPath.isEmpty())
        err = refuseDataFile(file, pdfPath);
    if (err) {
        m_errors.failure(*err, QStringLiteral("A lista nem került nyomtatásra."));
        return;
    }

    BusyPointer busy;

    const QString target =
        pdfPath.isEmpty()
            ? QStringLiteral("A(z) „%1” nyomtatón nem sikerült nyomtatni.").arg(printerName)
            : QStringLiteral("A(z) „%1” PDF-fájl nem készült el.")
                  .arg(QDir::toNativeSeparators(pdfPath));
    auto failed = [&](const QString& reason) {
        busy.release();
        m_dialogs.message(title, target + QStringLiteral("\n\n") + reason, Dialogs::Icon::Critical);
    };

    QString reason;
    std::unique_ptr<PrintCanvas> canvas =
        pdfPath.isEmpty() ? m_printers.openDefaultPrinter(programTitle(), reason)
                          : m_printers.openPdfFile(pdfPath, programTitle(), reason);
    if (!canvas) {
        closeReadOnly(file);
        failed(reason);
        return;
    }

    ListPrintout printout(*canvas, heading,
                          QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    const MaybeError readError =
        printout.print(numbers, [&file](qint64 n, Record& record, bool& found) {
            return file.readRecord(n, record, found);
        });
    if (readError) {
        canvas->abort();
        closeReadOnly(file);
        busy.release();
        m_errors.failure(*readError, QStringLiteral("A nyomtatás félbeszakadt."));
        return;
    }
    const bool ended = canvas->endDocument();
    closeReadOnly(file);
    if (!ended)
        failed(canvas->errorReason());
}
