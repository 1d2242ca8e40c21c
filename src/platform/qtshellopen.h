#pragma once

#include "platform/shellopen.h"

// The desktop's default mail client and browser, through QDesktopServices.
class QtShellOpen final : public ShellOpen {
public:
    bool open(const QString& address) override;
};
