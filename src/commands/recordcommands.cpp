#include "commands/recordcommands.h"

#include "commands/errorreport.h"
#include "forms/programtitle.h"
#include "platform/dialogs.h"
#include "store/datastore.h"

#include <QDir>

#include <new>
#include <utility>

namespace {

const QString kUnchanged = QStringLiteral("Az adatállomány nem változott.");
const QString kUnchangedFieldsKept =
    QStringLiteral("Az adatállomány nem változott; a mezők tartalma megmaradt.");

} // namespace

RecordCommands::RecordCommands(DataStore& store, Dialogs& dialogs, ErrorReport& errors,
                               std::function<bool(qint64)> listShows)
    : m_store(store)
    , m_dialogs(dialogs)
    , m_errors(errors)
    , m_listShows(std::move(listShows)) {}

void RecordCommands::vanished(const QString& which, const QString& consequence) {
    m_errors.vanished(m_store.dataPath(), which, consequence);
}

bool RecordCommands::add(const Record& record) {
    if (const MaybeError err = m_store.append(record)) {
        const QString file = QDir::toNativeSeparators(m_store.dataPath());
        return m_errors.change(
            *err,
            QStringLiteral("A névjegy nem került be az adatállományba; "
                           "a mezők tartalma megmaradt."),
            QStringLiteral("A névjegy nem került be az adatállományba, és a fájl eredeti "
                           "végét sem sikerült visszaállítani: a(z) „%1” fájl utolsó "
                           "névjegye sérült lehet. A mezők tartalma megmaradt.")
                .arg(file));
    }
    return true;
}

bool RecordCommands::modify(qint64 recNo, const Record& record) {
    if (recNo == 0)
        return false;
    Record stored;
    bool found = false;
    if (const MaybeError err = m_store.readRecord(recNo, stored, found)) {
        m_errors.failure(*err, kUnchanged);
        return false;
    }
    // The record the number pointed at is gone. After this window's own deletion that is no
    // news; a record the list still shows was taken by another program, which the user must
    // hear of. The typed fields stay for another try.
    if (!found) {
        if (m_listShows(recNo))
            vanished(QStringLiteral("módosítandó"), kUnchangedFieldsKept);
        return false;
    }
    const QString question = QStringLiteral("Biztos MÓDOSÍTNI akarod a(z)") +
                             QStringLiteral("\n\r") + stored.rawField(Field::Nev) +
                             QStringLiteral("  adatait ?");
    if (!m_dialogs.askYesNo(QStringLiteral(" Módosítás az adatállományban !"), question))
        return false;
    bool written = false;
    const QString file = QDir::toNativeSeparators(m_store.dataPath());
    if (const MaybeError err = m_store.modify(recNo, record, written))
        return m_errors.change(
            *err, kUnchangedFieldsKept,
            QStringLiteral("A régi adatokat sem sikerült visszaírni: a(z) „%1” fájl %2. "
                           "névjegye sérült lehet. A mezők tartalma megmaradt.")
                .arg(file, QString::number(recNo)));
    if (!written) {
        // Another program shortened the file while the question was open.
        vanished(QStringLiteral("módosítandó"), kUnchangedFieldsKept);
        return false;
    }
    return true;
}

bool RecordCommands::remove(qint64 recNo) {
    if (recNo == 0)
        return false;
    RecordDeletion deletion(m_store);
    if (const MaybeError err = deletion.begin(recNo)) {
        deletion.cancel();
        m_errors.failure(*err, kUnchanged);
        return false;
    }
    if (!deletion.hasRecord()) {
        deletion.cancel();
        if (m_listShows(recNo))
            vanished(QStringLiteral("törlendő"), kUnchanged);
        return false;
    }
    const QString question = QStringLiteral("Biztos TÖRÖLNI akarod a(z)") + QStringLiteral("\n\r") +
                             deletion.record().rawField(Field::Nev) + QStringLiteral("  tételt ?");
    if (!m_dialogs.askYesNo(QStringLiteral(" TÖRLÉS az adatállományból !"), question)) {
        deletion.cancel();
        return false;
    }
    MaybeError err;
    try {
        err = deletion.commit();
    } catch (const std::bad_alloc&) {
        // Only the copy can run out of memory, before it replaces anything.
        m_dialogs.message(programTitle(),
                          QStringLiteral("Nincs elég memória a törléshez.\n\n") + kUnchanged,
                          Dialogs::Icon::Critical);
        return false;
    }
    return !err || m_errors.change(*err, kUnchanged, QString());
}

bool RecordCommands::removeAll() {
    const QString question = QStringLiteral("Biztos benne hogy TÖRLI \r\n"
                                            "a teljes adatbázist?\r\n"
                                            "\r\n"
                                            "Mehet a TÖRLÉS?");
    if (!m_dialogs.askYesNo(QStringLiteral("Adatbázis törlése"), question))
        return false;
    if (const MaybeError err = m_store.removeAll())
        return m_errors.change(*err, kUnchanged, QString());
    return true;
}
