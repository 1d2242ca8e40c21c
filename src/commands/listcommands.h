#pragma once

#include "store/record.h"

#include <QString>
#include <QtGlobal>

class DataStore;
class ErrorReport;
class RecordListModel;

// Teljes lista, the four searches and the header's sort: they fill the window's list from
// Telefon.dat. A list too large for the memory is left empty, with a message, instead of
// ending the program.
class ListCommands {
public:
    ListCommands(const DataStore& store, RecordListModel& model, ErrorReport& errors);

    // Every record of the file; a file that cannot be read leaves the list empty and says so.
    void reload();
    // The records whose field holds text. A search never shows a message about the file: one
    // that cannot be read counts as one without records. emptyListFirst: the list is emptied
    // even when the file is empty or cannot be opened; otherwise it is then left alone.
    void search(Field field, const QString& text, bool emptyListFirst);
    // Sorts by a column from now on, also when there is no memory to sort the list by it now.
    void sortBy(int column);
    // Whether a row of the list stands for record recNo.
    bool shows(qint64 recNo) const;

private:
    void outOfMemory();

    const DataStore& m_store;
    RecordListModel& m_model;
    ErrorReport& m_errors;
};
