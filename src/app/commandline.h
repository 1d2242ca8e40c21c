#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. Parsing never prints or exits, so that main decides.
struct CommandLine {
    // Sync: the register is synced with its CardDAV address book, without a window.
    enum class Action { Run, Sync, Help, Version, Error };

    Action action = Action::Run;
    QString dataDir; // --data-dir; empty: the usual data folder
    QString error;   // for Action::Error, in Hungarian
    // "-platform" or "-display" names the window system for Qt.
    bool windowSystemNamed = false;
};

// arguments as main() receives them, the program's name first. Read before any application
// object exists, so that a wrong line is answered without a display: the options that Qt reads
// itself are taken off the line as Qt would take them, with platform (QT_QPA_PLATFORM) deciding
// which of them Qt reads.
CommandLine parseCommandLine(const QStringList& arguments, const QString& platform = QString());

// Whether the program can expect a window system to show its windows on; without one, a
// message goes to the terminal only.
bool windowSystemExpected(const CommandLine& commandLine);

// The texts of --help and --version, each ending with a line break.
QString helpText(const QString& programName);
QString versionText();
