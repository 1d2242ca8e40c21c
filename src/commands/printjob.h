#pragma once

#include <QList>
#include <QtGlobal>

class DataStore;
class Dialogs;
class ErrorReport;
class Printers;

// Listamező nyomtatása: asks for the heading and prints the given records on the default
// printer, or, where there is none, offers a PDF file in its stead. Printing only reads
// Telefon.dat.
class PrintJob {
public:
    PrintJob(const DataStore& store, Dialogs& dialogs, Printers& printers, ErrorReport& errors);

    // numbers: the records in the order the list shows them.
    void run(const QList<qint64>& numbers);

private:
    const DataStore& m_store;
    Dialogs& m_dialogs;
    Printers& m_printers;
    ErrorReport& m_errors;
};
