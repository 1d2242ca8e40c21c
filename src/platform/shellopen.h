#pragma once

#include <QString>

// Hands one address ("mailto:…", "http://…") to the desktop's default handler.
class ShellOpen {
public:
    virtual ~ShellOpen() = default;
    // True when the desktop took the address.
    virtual bool open(const QString& address) = 0;
};
