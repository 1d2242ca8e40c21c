#include "commands/errorreport.h"

#include "forms/programtitle.h"
#include "platform/dialogs.h"

#include <QDir>

#include <utility>

ErrorReport::ErrorReport(Dialogs& dialogs, std::function<void()> reloadList)
    : m_dialogs(dialogs)
    , m_reloadList(std::move(reloadList)) {}

void ErrorReport::failure(const StoreError& error, const QString& consequence) {
    m_dialogs.message(programTitle(), error.message() + QStringLiteral("\n\n") + consequence,
                      Dialogs::Icon::Critical);
}

bool ErrorReport::change(const StoreError& error, const QString& unchanged,
                         const QString& damaged) {
    switch (error.state) {
    case StoreError::State::Unchanged:
        failure(error, unchanged);
        return false;
    case StoreError::State::ChangedNotSynced:
        m_dialogs.message(programTitle(),
                          error.message() + QStringLiteral("\n\nA változás megtörtént, de egy "
                                                           "áramszünet még elveszítheti."),
                          Dialogs::Icon::Warning);
        return true;
    case StoreError::State::MayBeDamaged:
        failure(error, damaged);
        // The list shows what the file holds now.
        m_reloadList();
        return false;
    }
    return false;
}

void ErrorReport::exchange(const StoreError& error, const QString& what) {
    if (error.state == StoreError::State::ChangedNotSynced)
        m_dialogs.message(programTitle(),
                          error.message() + QStringLiteral("\n\n") + what +
                              QStringLiteral(" megtörtént, de egy áramszünet még elveszítheti."),
                          Dialogs::Icon::Warning);
    else
        failure(error, what + QStringLiteral(" nem történt meg."));
}

void ErrorReport::import(const StoreError& error, const QString& what, bool dataUnchanged) {
    if (error.state == StoreError::State::ChangedNotSynced)
        exchange(error, what);
    else
        failure(error, dataUnchanged
                           ? what + QStringLiteral(" nem történt meg; az adatbázis nem változott.")
                           : what + QStringLiteral(" nem történt meg, és az adatbázis "
                                                   "visszaállítása sem sikerült."));
}

void ErrorReport::vanished(const QString& dataPath, const QString& which,
                           const QString& consequence) {
    m_dialogs.message(programTitle(),
                      QStringLiteral("A %1 névjegy időközben eltűnt a(z) „%2” fájlból.\n\n")
                              .arg(which, QDir::toNativeSeparators(dataPath)) +
                          consequence,
                      Dialogs::Icon::Warning);
    // The list shows what the file holds now.
    m_reloadList();
}

void ErrorReport::listOutOfMemory() {
    m_dialogs.message(programTitle(),
                      QStringLiteral("Nincs elég memória a névjegyzék megjelenítéséhez, ezért a "
                                     "lista üresen marad.\nAz adatállomány névjegyei ettől nem "
                                     "sérültek."),
                      Dialogs::Icon::Critical);
}
