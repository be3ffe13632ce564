#pragma once

#include <windows.h>

#include "core/install_system.h"
#include "win/platform/handles.h"

// The machine-wide named mutex that lets one installation or removal run at a time, in
// every session. Its access list lets the administrators' and the system account's runs
// open it, whichever of them made it; a mutex whose holder died is taken over.
class Win32InstallationLock final : public InstallationLock {
public:
    State TryTake(SystemError& error) override;
    void WaitAndTake() override;
    void Release() override;

private:
    UniqueProcessHandle mutex_;
};
