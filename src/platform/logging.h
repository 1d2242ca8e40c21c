#pragma once

#include <QLoggingCategory>

// Failures the program deliberately does not show the user (a launch the desktop refused, a
// failed close of a file only read, a search that could not read the file to its end). They
// are logged here instead, silent by default:
//   QT_LOGGING_RULES='zelvanor.*=true' zelvanor
Q_DECLARE_LOGGING_CATEGORY(lcDesktop) // zelvanor.desktop: addresses handed to the desktop
Q_DECLARE_LOGGING_CATEGORY(lcPrint)   // zelvanor.print: the print job
Q_DECLARE_LOGGING_CATEGORY(lcList)    // zelvanor.list: filling the record list
