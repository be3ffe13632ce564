#pragma once

#include <windows.h>

#include "core/install_system.h"

// A critical section: taken again by the thread that holds it, it is held once more.
class Win32OutputLock final : public OutputLock {
public:
    Win32OutputLock() { ::InitializeCriticalSection(&section_); }
    ~Win32OutputLock() override { ::DeleteCriticalSection(&section_); }
    Win32OutputLock(const Win32OutputLock&) = delete;
    Win32OutputLock& operator=(const Win32OutputLock&) = delete;

    void Lock() override { ::EnterCriticalSection(&section_); }
    void Unlock() override { ::LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};
