#pragma once

#include <QString>

class PasswordStore;

// zelvanor --sync: syncs the register in folder with its CardDAV address book without a
// window, for a timer or cron. Takes the register's lock like a start; the password comes from
// passwords (the keyring). Prints the summary on standard output and returns 0, or the reason
// on standard error and 1. A question the sync would ask (a certificate not trusted yet, many
// deletions) is answered No: only the window can agree to it.
int syncFromCommandLine(const QString& folder, PasswordStore& passwords);
