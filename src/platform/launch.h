#pragma once

#include <QString>

class ShellOpen;

// Opening a contact's or the maker's addresses, shared by the main window and the About window.

// The text without the blanks (only the blank, 32) around it.
QString trimBlanks(const QString& text);

// A web address as it is opened: "http://" goes in front unless it begins with "http" in any
// letter case; nothing else is examined.
QString completeWebAddress(const QString& address);

// Hands a "mailto:" address to the desktop with its '?', '#' and '%' after the scheme escaped,
// so that the mail program gets addresses only (several, separated by commas, still work) and
// never header fields such as an attachment; true when the desktop took it.
bool OpenMail(ShellOpen& shell, const QString& address);
// Completes the address with completeWebAddress and hands it to the desktop when its scheme is
// http or https; anything else is refused (false) without reaching the desktop.
bool OpenBrowser(ShellOpen& shell, const QString& address);
