#pragma once
// Makes permission bits count for the calling thread, also when the tests run as root.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

/**
 * While alive, the calling thread has no CAP_DAC_OVERRIDE and no CAP_DAC_READ_SEARCH in its
 * effective set, so a folder without write permission refuses new files and a file without
 * read permission cannot be opened, as for any user. The capabilities stay permitted and are
 * taken back at the end. Active() is false when permission bits still would not count.
 */
class TPermissionBitsCount
{
public:
    TPermissionBitsCount()
    {
        if (::geteuid() != 0) {
            m_active = true;
            return;
        }
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        if (::syscall(SYS_capget, &header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_active = ::syscall(SYS_capset, &header, lowered) == 0;
        m_restore = m_active;
    }
    ~TPermissionBitsCount()
    {
        if (!m_restore)
            return;
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        ::syscall(SYS_capset, &header, m_saved);
    }
    TPermissionBitsCount(const TPermissionBitsCount&) = delete;
    TPermissionBitsCount& operator=(const TPermissionBitsCount&) = delete;

    bool Active() const { return m_active; }

private:
    __user_cap_data_struct m_saved[2]{};
    bool m_active = false;
    bool m_restore = false;
};
