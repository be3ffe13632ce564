#pragma once

#include <windows.h>

#include <vector>

// A security descriptor that gives the administrators and the system account `access`
// and nobody else anything: for the objects a run with administrator rights trusts
// because no other user can have made or changed them.
class AdministratorsOnly {
public:
    explicit AdministratorsOnly(DWORD access);
    AdministratorsOnly(const AdministratorsOnly&) = delete;
    AdministratorsOnly& operator=(const AdministratorsOnly&) = delete;

    // Null, with the error, when the descriptor could not be built.
    SECURITY_ATTRIBUTES* Attributes(DWORD& error);

private:
    std::vector<BYTE> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    DWORD error_ = 0;
};
