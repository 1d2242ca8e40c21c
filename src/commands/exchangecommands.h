#pragma once

#include "store/exchangefile.h"

#include <QString>

#include <functional>

class DataStore;
class Dialogs;
class ErrorReport;

// The Adatbázis menu's exchange of contacts with other programs: CSV and vCard files written
// from the register, and appended to it. Each asks for the file, works under the busy pointer
// and ends with one message saying how it went.
class ExchangeCommands {
public:
    // reloadList lists Telefon.dat anew after an import changed it.
    ExchangeCommands(DataStore& store, Dialogs& dialogs, ErrorReport& errors,
                     std::function<void()> reloadList);

    void exportCsv();
    void importCsv();
    void importVCard();
    void exportVCard();

private:
    // Runs an import under the busy pointer, reloads the list where the file changed and tells a
    // failure; what: the import as the subject of a sentence ("Az importálás").
    ImportResult runImport(const QString& what, const std::function<ImportResult()>& import);

    DataStore& m_store;
    Dialogs& m_dialogs;
    ErrorReport& m_errors;
    std::function<void()> m_reloadList;
};
