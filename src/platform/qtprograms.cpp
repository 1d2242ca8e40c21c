#include "platform/qtprograms.h"

#include <QFileInfo>
#include <QProcess>

bool QtPrograms::exists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

bool QtPrograms::start(const QString& program) {
    // The path is the program itself, never a command line to be split.
    return !program.isEmpty() && QProcess::startDetached(program, {});
}
