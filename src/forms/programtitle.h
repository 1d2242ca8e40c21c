#pragma once

#include <QString>

// The program's name as its windows, messages and printouts show it.
inline QString programTitle() {
    return QStringLiteral("Zelvanor");
}
