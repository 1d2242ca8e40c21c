#pragma once

#include "store/storeerror.h"

#include <QString>

#include <functional>

class Dialogs;

// How a failure of the register or of an exchange file is told to the user: the store's own
// sentence about what failed and why, then what the failure left behind. Every window and
// command words its failures through here.
class ErrorReport {
public:
    // reloadList lists the file anew, where a failure may have changed what it holds.
    ErrorReport(Dialogs& dialogs, std::function<void()> reloadList);

    // A failure that changed nothing, or whose consequence the caller words.
    void failure(const StoreError& error, const QString& consequence);
    // A change that failed. True when it was made all the same and only a power cut could still
    // undo it, so that the caller goes on as after success. When the file may be damaged, the
    // list is read again after the message.
    bool change(const StoreError& error, const QString& unchanged, const QString& damaged);
    // A failed export, or an export or import done but not yet safe from a power cut; what: the
    // export or import as the subject of a sentence ("Az adatbázis mentése").
    void exchange(const StoreError& error, const QString& what);
    // A failed import, which tells whether Telefon.dat is as it was.
    void import(const StoreError& error, const QString& what, bool dataUnchanged);
    // The record a command was about to work on is no longer in the file at dataPath; which
    // names it ("módosítandó"). The list is read again after the message.
    void vanished(const QString& dataPath, const QString& which, const QString& consequence);
    // There was no memory to show the list; the caller has emptied it.
    void listOutOfMemory();

private:
    Dialogs& m_dialogs;
    std::function<void()> m_reloadList;
};
