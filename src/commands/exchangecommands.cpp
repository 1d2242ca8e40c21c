#include "commands/exchangecommands.h"

#include "commands/busypointer.h"
#include "commands/errorreport.h"
#include "csv/csvexport.h"
#include "csv/csvimport.h"
#include "platform/dialogs.h"
#include "platform/launch.h"
#include "store/datastore.h"
#include "vcard/vcardexchange.h"

#include <QDir>

#include <utility>

namespace {

// The dialogs' preset name, which a cancelled dialog gives back.
const QString kCsvPattern = QStringLiteral("*.csv");
const QString kVcfPattern = QStringLiteral("*.vcf");

// The name a file dialog gave, without the blanks around it (only blanks, as in the stored
// fields); empty when the dialog was cancelled, which gives the preset back.
QString chosenName(const QString& name, const QString& preset) {
    const QString trimmed = trimBlanks(name);
    return trimmed == preset ? QString() : trimmed;
}

} // namespace

ExchangeCommands::ExchangeCommands(DataStore& store, Dialogs& dialogs, ErrorReport& errors,
                                   std::function<void()> reloadList)
    : m_store(store)
    , m_dialogs(dialogs)
    , m_errors(errors)
    , m_reloadList(std::move(reloadList)) {}

ImportResult ExchangeCommands::runImport(const QString& what,
                                         const std::function<ImportResult()>& import) {
    ImportResult result;
    {
        const BusyPointer busy;
        result = import();
        // After a failed rollback the list shows what the file now holds.
        if (!result.error || !result.dataUnchanged)
            m_reloadList();
    }
    if (result.error)
        m_errors.import(*result.error, what, result.dataUnchanged);
    return result;
}

void ExchangeCommands::exportCsv() {
    const QString name = chosenName(m_dialogs.saveFileName(kCsvPattern, kCsvPattern), kCsvPattern);
    if (name.isEmpty())
        return;
    if (const MaybeError err = ::exportCsv(m_store, name)) {
        m_errors.exchange(*err, QStringLiteral("Az adatbázis mentése"));
        return;
    }
    m_dialogs.message(QStringLiteral("Adatbázis mentése"),
                      QStringLiteral("Az adatbázis mentése megtörtént."),
                      Dialogs::Icon::Information);
}

void ExchangeCommands::importCsv() {
    const QString name = m_dialogs.openFileName(kCsvPattern, kCsvPattern);
    if (name == kCsvPattern)
        return;
    const ImportResult result = runImport(QStringLiteral("Az importálás"), [this, &name] {
        const ImportResult r = ::importCsv(m_store, name);
        QDir::setCurrent(m_store.folder());
        return r;
    });
    if (result.error)
        return;
    m_dialogs.message(QStringLiteral("Adatbázis importálása"),
                      QStringLiteral("Az adatbázis importálása befejeződött.\r\n"
                                     "\r\n"
                                     "Ha a listamezőben az adatbázis nem megfelelő,\r\n"
                                     "törölje az adatbázist és ellenőrízze a ''csv'' fájlt,\r\n"
                                     "majd indítsa el újra az importálást."),
                      Dialogs::Icon::Information);
}

void ExchangeCommands::importVCard() {
    const QString name = chosenName(
        m_dialogs.openFileName(QStringLiteral("vCard (*.vcf *.vcard)"), kVcfPattern), kVcfPattern);
    if (name.isEmpty())
        return;
    const ImportResult result = runImport(QStringLiteral("A névjegyek importálása"),
                                          [this, &name] { return ::importVCard(m_store, name); });
    if (result.error)
        return;
    m_dialogs.message(QStringLiteral("Névjegyek importálása"),
                      QStringLiteral("A névjegyek importálása befejeződött.\n"
                                     "%1 névjegy került az adatbázisba.")
                          .arg(result.added),
                      Dialogs::Icon::Information);
}

void ExchangeCommands::exportVCard() {
    const QString name = chosenName(m_dialogs.saveFileName(kVcfPattern, kVcfPattern), kVcfPattern);
    if (name.isEmpty())
        return;
    qint64 count = 0;
    MaybeError err;
    {
        const BusyPointer busy;
        err = ::exportVCard(m_store, name, &count);
    }
    if (err) {
        m_errors.exchange(*err, QStringLiteral("A névjegyek mentése"));
        return;
    }
    m_dialogs.message(QStringLiteral("Névjegyek exportálása"),
                      QStringLiteral("A névjegyek mentése megtörtént.\n"
                                     "%1 névjegy került a fájlba.")
                          .arg(count),
                      Dialogs::Icon::Information);
}
