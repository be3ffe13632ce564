#pragma once

#include "core/install_system.h"
#include "win/platform/critical_section.h"

class Win32OutputLock final : public OutputLock {
public:
    void Lock() override { section_.Enter(); }
    void Unlock() override { section_.Leave(); }

private:
    CriticalSection section_;
};
