#pragma once

class Dialogs;
class ShellOpen;
class Registry;
class Programs;
class Printers;
class PasswordStore;

// The desktop services the windows reach: handed in at construction, so that a test can build
// the real windows and stand in for the user and the desktop.
struct Desktop {
    Dialogs& dialogs;
    ShellOpen& shell;
    Registry& registry;
    Programs& programs;
    Printers& printers;
    PasswordStore& passwords;
};
