#include "win/platform/administrators_only.h"

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

}  // namespace

AdministratorsOnly::AdministratorsOnly(DWORD access) {
    const NtSid administrators(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
    const NtSid system(1, SECURITY_LOCAL_SYSTEM_RID, 0);
    if (administrators.get() == nullptr || system.get() == nullptr) {
        error_ = ::GetLastError();
        return;
    }
    const auto aclSize = static_cast<DWORD>(sizeof(ACL) + 2 * sizeof(ACCESS_ALLOWED_ACE) +
                                            ::GetLengthSid(administrators.get()) + ::GetLengthSid(system.get()));
    acl_.resize(aclSize);
    auto* acl = reinterpret_cast<PACL>(acl_.data());
    const bool built = ::InitializeAcl(acl, aclSize, ACL_REVISION) &&
                       ::AddAccessAllowedAce(acl, ACL_REVISION, access, administrators.get()) &&
                       ::AddAccessAllowedAce(acl, ACL_REVISION, access, system.get()) &&
                       ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
                       ::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE);
    if (!built) {
        error_ = ::GetLastError();
        return;
    }
    attributes_ = {sizeof attributes_, &descriptor_, FALSE};
}

SECURITY_ATTRIBUTES* AdministratorsOnly::Attributes(DWORD& error) {
    if (attributes_.nLength == 0) {
        error = error_ != 0 ? error_ : ERROR_INVALID_SECURITY_DESCR;
        return nullptr;
    }
    return &attributes_;
}
