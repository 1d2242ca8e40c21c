#pragma once

#include "shellopen.h"

// The desktop's default mail client and browser, through QDesktopServices.
class QtShellOpen final : public ShellOpen {
public:
    bool open(const QString& address) override;
};
