#include "win/platform/win32_installation_lock.h"

#include "win/platform/administrators_only.h"
#include "win/platform/installation_lock_name.h"

namespace {

// Full access for the administrators and the system account, none for anyone else: no
// other user can hold the mutex and stall every installation.
UniqueProcessHandle CreateOrOpenMutex(DWORD& error) {
    AdministratorsOnly access(MUTEX_ALL_ACCESS);
    SECURITY_ATTRIBUTES* const attributes = access.Attributes(error);
    if (attributes == nullptr) return UniqueProcessHandle();
    UniqueProcessHandle mutex(::CreateMutexW(attributes, FALSE, kInstallationMutexName));
    // Made by another run: opened with what waiting and letting go need.
    if (!mutex) mutex.reset(::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kInstallationMutexName));
    if (!mutex) error = ::GetLastError();
    return mutex;
}

}  // namespace

InstallationLock::State Win32InstallationLock::TryTake(SystemError& error) {
    DWORD created = 0;
    mutex_ = CreateOrOpenMutex(created);
    if (!mutex_) {
        error = created;
        return State::Unavailable;
    }
    // WAIT_ABANDONED: the run that held it died; it is this run's now.
    switch (::WaitForSingleObject(mutex_.get(), 0)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:
            return State::Taken;
        case WAIT_TIMEOUT:
            return State::Busy;
        default:
            error = ::GetLastError();
            mutex_.reset();
            return State::Unavailable;
    }
}

void Win32InstallationLock::WaitAndTake() {
    ::WaitForSingleObject(mutex_.get(), INFINITE);
}

void Win32InstallationLock::Release() {
    ::ReleaseMutex(mutex_.get());
    mutex_.reset();
}
