#include "win/platform/win32_installation_lock.h"

#include <vector>

#include "win/platform/installation_lock_name.h"

namespace {

// A SID of the NT authority: the administrators' group, or the system account.
class NtSid {
public:
    NtSid(BYTE count, DWORD first, DWORD second) {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        if (!::AllocateAndInitializeSid(&nt, count, first, second, 0, 0, 0, 0, 0, 0, &sid_)) sid_ = nullptr;
    }
    ~NtSid() {
        if (sid_ != nullptr) ::FreeSid(sid_);
    }
    NtSid(const NtSid&) = delete;
    NtSid& operator=(const NtSid&) = delete;
    PSID get() const { return sid_; }

private:
    PSID sid_ = nullptr;
};

// Full access for the administrators and the system account, none for anyone else: no
// other user can hold the mutex and stall every installation.
UniqueProcessHandle CreateOrOpenMutex(DWORD& error) {
    const NtSid administrators(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
    const NtSid system(1, SECURITY_LOCAL_SYSTEM_RID, 0);
    if (administrators.get() == nullptr || system.get() == nullptr) {
        error = ::GetLastError();
        return UniqueProcessHandle();
    }
    const auto aclSize = static_cast<DWORD>(sizeof(ACL) + 2 * sizeof(ACCESS_ALLOWED_ACE) +
                                            ::GetLengthSid(administrators.get()) + ::GetLengthSid(system.get()));
    std::vector<BYTE> aclBuffer(aclSize);
    auto* acl = reinterpret_cast<PACL>(aclBuffer.data());
    SECURITY_DESCRIPTOR descriptor{};
    const bool built = ::InitializeAcl(acl, aclSize, ACL_REVISION) &&
                       ::AddAccessAllowedAce(acl, ACL_REVISION, MUTEX_ALL_ACCESS, administrators.get()) &&
                       ::AddAccessAllowedAce(acl, ACL_REVISION, MUTEX_ALL_ACCESS, system.get()) &&
                       ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                       ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    if (!built) {
        error = ::GetLastError();
        return UniqueProcessHandle();
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    UniqueProcessHandle mutex(::CreateMutexW(&attributes, FALSE, kInstallationMutexName));
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
