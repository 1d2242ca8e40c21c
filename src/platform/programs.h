#pragma once

#include <QString>

// Looking for a program file and starting it.
class Programs {
public:
    virtual ~Programs() = default;
    // Whether a file of that path exists.
    virtual bool exists(const QString& path) = 0;
    // Starts the program file without arguments and without waiting for it; never through a
    // shell. False when it could not be started.
    virtual bool start(const QString& program) = 0;
};
