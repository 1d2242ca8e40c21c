#pragma once

#include "store/record.h"

#include <QString>
#include <QStringList>

#include <vector>

// Contacts written as tokens in the sync tests' tables. "B" is a contact of its own, sharing no
// field with other letters; each ' changes its note and each ^ its second telephone, so "B'^"
// merges "B'" and "B^", while "B'" and "B''" differ in the same field.
inline Record contact(const QString& token) {
    using namespace Qt::StringLiterals;
    const QString letter = token.left(1);
    Record r;
    r.setField(Field::Nev, u"Név "_s + letter);
    r.setField(Field::Telepules, u"Hely "_s + letter);
    r.setField(Field::Tel1, letter + u"-1"_s);
    r.setField(Field::Megj, letter + u" változat "_s + QString::number(token.count(u'\'')));
    if (token.contains(u'^'))
        r.setField(Field::Tel2, letter + u"-"_s + QString::number(token.count(u'^') + 1));
    return r;
}

inline std::vector<Record> contacts(const QString& tokens) {
    std::vector<Record> list;
    for (const QString& token : tokens.split(u' ', Qt::SkipEmptyParts))
        list.push_back(contact(token));
    return list;
}

inline QString tokenOf(const Record& r) {
    QString token = r.displayField(Field::Nev).mid(4);
    token += QString(r.displayField(Field::Megj).section(u' ', -1).toInt(), u'\'');
    const QString tel2 = r.displayField(Field::Tel2);
    if (!tel2.isEmpty())
        token += QString(tel2.section(u'-', -1).toInt() - 1, u'^');
    return token;
}
