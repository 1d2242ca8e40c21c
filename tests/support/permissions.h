#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// Lets the permission bits of files and folders bind this thread even when the tests run as
// root, who otherwise reads and writes past them: the two capabilities that bypass them are
// dropped from the thread's effective set for the object's lifetime.
class PermissionBitsBind {
public:
    PermissionBitsBind() {
        m_ok = ::syscall(SYS_capget, &m_header, m_saved) == 0;
        if (!m_ok)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_ok = ::syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~PermissionBitsBind() {
        if (m_ok)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    PermissionBitsBind(const PermissionBitsBind&) = delete;
    PermissionBitsBind& operator=(const PermissionBitsBind&) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_ok = false;
};
