#pragma once

#include <QApplication>

// The busy pointer over the whole program until the object ends or releases it.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { release(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

    // Puts the normal pointer back before the object ends, for a message shown meanwhile.
    void release() {
        if (m_shown)
            QApplication::restoreOverrideCursor();
        m_shown = false;
    }

private:
    bool m_shown = true;
};
