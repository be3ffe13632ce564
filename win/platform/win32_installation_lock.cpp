#include "win/platform/win32_installation_lock.h"

InstallationLock::State Win32InstallationLock::TryTake(Trouble& trouble) {
    if (!object_.Open(trouble)) return State::Unavailable;
    // WAIT_ABANDONED: the run that held it died; it is this run's now.
    switch (::WaitForSingleObject(object_.mutex(), 0)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:
            return State::Taken;
        case WAIT_TIMEOUT:
            return State::Busy;
        default:
            trouble = {::GetLastError(), Distrust::None};
            object_.Close();
            return State::Unavailable;
    }
}

void Win32InstallationLock::WaitAndTake() {
    ::WaitForSingleObject(object_.mutex(), INFINITE);
}

void Win32InstallationLock::Release() {
    ::ReleaseMutex(object_.mutex());
    object_.Close();
}
