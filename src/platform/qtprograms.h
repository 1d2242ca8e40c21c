#pragma once

#include "platform/programs.h"

// Program files on this system, started detached with QProcess.
class QtPrograms final : public Programs {
public:
    bool exists(const QString& path) override;
    bool start(const QString& program) override;
};
