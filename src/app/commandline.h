#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. Parsing never prints or exits, so that main decides.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };

    Action action = Action::Run;
    QString dataDir; // --data-dir; empty: the usual data folder
    QString error;   // for Action::Error, in Hungarian
};

// arguments as QCoreApplication::arguments() gives them, the program's name first.
CommandLine parseCommandLine(const QStringList& arguments);

// The texts of --help and --version, each ending with a line break.
QString helpText(const QString& programName);
QString versionText();
