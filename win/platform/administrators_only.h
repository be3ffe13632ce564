#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A SID of the NT authority: the administrators' group, or the system account. Null
// when it could not be made (GetLastError says why).
class NtSid {
public:
    static NtSid Administrators() { return NtSid(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS); }
    static NtSid System() { return NtSid(1, SECURITY_LOCAL_SYSTEM_RID, 0); }
    ~NtSid() {
        if (sid_ != nullptr) ::FreeSid(sid_);
    }
    NtSid(const NtSid&) = delete;
    NtSid& operator=(const NtSid&) = delete;
    PSID get() const { return sid_; }

private:
    NtSid(BYTE count, DWORD first, DWORD second) {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        if (!::AllocateAndInitializeSid(&nt, count, first, second, 0, 0, 0, 0, 0, 0, &sid_)) sid_ = nullptr;
    }

    PSID sid_ = nullptr;
};

// `sid` as a SID string ("S-1-5-32-544"); empty when it cannot be converted.
std::wstring SidText(PSID sid);

// A security descriptor that gives the administrators and the system account `access`
// and nobody else anything: for the objects a run with administrator rights trusts
// because no other user can have made or changed them.
class AdministratorsOnly {
public:
    // Who owns what is made with it: the maker's token decides, or the administrators'
    // group, which only a run with administrator rights (or the system account) can name.
    enum class Owner { Maker, Administrators };

    explicit AdministratorsOnly(DWORD access, Owner owner = Owner::Maker);
    AdministratorsOnly(const AdministratorsOnly&) = delete;
    AdministratorsOnly& operator=(const AdministratorsOnly&) = delete;

    // Null, with the error, when the descriptor could not be built.
    SECURITY_ATTRIBUTES* Attributes(DWORD& error);

private:
    std::vector<BYTE> acl_;
    std::vector<BYTE> owner_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    DWORD error_ = 0;
};
