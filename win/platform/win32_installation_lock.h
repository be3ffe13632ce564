#pragma once

#include "core/install_system.h"
#include "win/platform/installation_lock_object.h"

// The machine-wide mutex that lets one installation or removal run at a time, in every
// session (see InstallationLockObject for who can make and open it). A mutex whose holder
// died is taken over; one that someone else made is never waited for.
class Win32InstallationLock final : public InstallationLock {
public:
    State TryTake(Trouble& trouble) override;
    void WaitAndTake() override;
    void Release() override;

private:
    InstallationLockObject object_;
};
