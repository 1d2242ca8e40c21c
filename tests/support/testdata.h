#pragma once

// The tests' own data: records from field texts, numbered sample contacts, and whole files.
#include "store/record.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Texts in the order of the record's fields: name, settlement, postcode, street address,
// telephone 1, telephone 2, note, e-mail address, web address. Missing ones are empty.
Record makeRecord(const QStringList& fields);
QByteArray recordBytes(const QStringList& fields);
// The bytes of a data file holding the contacts in order; an empty, not a null, array for none.
QByteArray recordsBytes(const QList<QStringList>& contacts);

// Numbered contacts of one shape. The shape is either field patterns, in which each run of '#'
// is the contact's number padded with zeros to the run's length ("Ügyfél ###" is "Ügyfél 007"),
// or a function giving contact n's fields.
class SampleContacts {
public:
    using FieldsOf = QStringList (*)(int n);

    // The usual shape: "Névjegy 7", Győr 9021, "Fő utca 7", telephone "06-1-7".
    SampleContacts();
    explicit SampleContacts(const QStringList& patterns);
    explicit SampleContacts(FieldsOf fieldsOf);

    QStringList fields(int n) const;
    QByteArray record(int n) const;
    QByteArray records(const QList<int>& numbers) const;
    // Contacts first, first + 1, ... count of them.
    QByteArray records(int first, int count) const;

private:
    QStringList m_patterns;
    FieldsOf m_fieldsOf = nullptr;
};

// The record numbers 1 to n.
QList<qint64> oneTo(qint64 n);

// A whole file; a null array when it cannot be read, and exists tells whether it could.
QByteArray readFile(const QString& path, bool* exists = nullptr);
// Writes a whole file; fails the test when it cannot.
void writeFile(const QString& path, const QByteArray& bytes);
