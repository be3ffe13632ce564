#pragma once

#include <windows.h>

#include "core/install_system.h"
#include "win/platform/handles.h"

// A private namespace, closed through the function it was looked up with: Vista's
// ClosePrivateNamespace, which XP's kernel32 does not have.
struct PrivateNamespacePolicy {
    using Handle = HANDLE;
    using CloseFunction = BOOLEAN(WINAPI*)(HANDLE, ULONG);
    CloseFunction close = nullptr;
    static Handle Invalid() noexcept { return nullptr; }
    void Close(Handle space) const noexcept {
        if (close != nullptr) close(space, 0);
    }
};
using UniquePrivateNamespace = UniqueHandle<PrivateNamespacePolicy>;

// The mutex that is the machine's installation lock, as every run, and whatever holds
// the lock as another run would, opens it. Only the administrators and the system
// account can make or open it: anything else that bore its name could be held by a
// standard user for ever, and every installation would wait for it.
//
// Where the system has private namespaces (Vista and later), it lives in one bounded to
// the administrators' group, in which no one else can name an object at all. Elsewhere,
// or when that namespace cannot be had, it is the global mutex kInstallationMutexName,
// and one that is there already is taken only when its owner and access list show that
// the administrators or the system account made it.
class InstallationLockObject {
public:
    // Creates or opens the mutex; false, with why (and nothing held), when it can be
    // neither or was not made by Kestrin.
    bool Open(InstallationLock::Trouble& trouble);
    // Lets go of the handles (not of the mutex, which its holder releases first).
    void Close();

    HANDLE mutex() const { return mutex_.get(); }

private:
    UniquePrivateNamespace namespace_;  // outlives the mutex named in it
    UniqueProcessHandle mutex_;
};

// Whether an object with this owner and access list (null: none, so anyone has access)
// was made by Kestrin (Distrust::None) or what shows it was not.
InstallationLock::Distrust JudgeLockObject(PSID owner, const ACL* dacl);
