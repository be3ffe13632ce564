#include "win/platform/administrators_only.h"

#include <sddl.h>

std::wstring SidText(PSID sid) {
    LPWSTR converted = nullptr;
    if (sid == nullptr || !::ConvertSidToStringSidW(sid, &converted)) return {};
    std::wstring text = converted;
    ::LocalFree(converted);
    return text;
}

AdministratorsOnly::AdministratorsOnly(DWORD access, Owner owner) {
    const NtSid administrators = NtSid::Administrators();
    const NtSid system = NtSid::System();
    if (administrators.get() == nullptr || system.get() == nullptr) {
        error_ = ::GetLastError();
        return;
    }
    const auto aclSize = static_cast<DWORD>(sizeof(ACL) + 2 * sizeof(ACCESS_ALLOWED_ACE) +
                                            ::GetLengthSid(administrators.get()) + ::GetLengthSid(system.get()));
    acl_.resize(aclSize);
    auto* acl = reinterpret_cast<PACL>(acl_.data());
    bool built = ::InitializeAcl(acl, aclSize, ACL_REVISION) &&
                 ::AddAccessAllowedAce(acl, ACL_REVISION, access, administrators.get()) &&
                 ::AddAccessAllowedAce(acl, ACL_REVISION, access, system.get()) &&
                 ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
                 ::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE);
    if (built && owner == Owner::Administrators) {
        // The descriptor points at the SID, which must outlive this constructor.
        owner_.resize(::GetLengthSid(administrators.get()));
        built = ::CopySid(static_cast<DWORD>(owner_.size()), owner_.data(), administrators.get()) &&
                ::SetSecurityDescriptorOwner(&descriptor_, owner_.data(), FALSE);
    }
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
