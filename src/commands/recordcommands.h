#pragma once

#include "store/record.h"

#include <QtGlobal>

#include <functional>

class DataStore;
class Dialogs;
class ErrorReport;

// Rögzítés, Módosítás, Törlés and Adatbázis törlése: each asks first where it destroys data,
// changes Telefon.dat through the store, and tells a failure with what it left behind. Each
// returns true when the register was changed; the window then lists the file anew.
class RecordCommands {
public:
    // listShows tells whether a row of the window's list stands for a record number, so that
    // a record that vanished after this window's own deletion is no news to the user.
    RecordCommands(DataStore& store, Dialogs& dialogs, ErrorReport& errors,
                   std::function<bool(qint64)> listShows);

    bool add(const Record& record);
    // recNo is the record last chosen in the list, 0 when none was.
    bool modify(qint64 recNo, const Record& record);
    bool remove(qint64 recNo);
    // Moves Telefon.dat to the trash; true when it is gone.
    bool removeAll();

private:
    void vanished(const QString& which, const QString& consequence);

    DataStore& m_store;
    Dialogs& m_dialogs;
    ErrorReport& m_errors;
    std::function<bool(qint64)> m_listShows;
};
