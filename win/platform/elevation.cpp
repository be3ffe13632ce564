#include "win/platform/elevation.h"

#include <shellapi.h>

#include "win/platform/handles.h"

namespace {

// Named only in the headers of systems since Vista.
constexpr int kTokenElevationType = 18;
constexpr DWORD kTokenElevationTypeFull = 2;
constexpr DWORD kTokenElevationTypeLimited = 3;
constexpr ULONG kNoAsync = 0x00000100;  // SEE_MASK_NOASYNC: we have no message loop to finish it in

}  // namespace

TokenKind CurrentTokenKind() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return TokenKind::Ordinary;
    const UniqueProcessHandle owned(token);
    DWORD type = 0;
    DWORD size = 0;
    // Systems before Vista refuse the question: they have no split tokens.
    if (!::GetTokenInformation(token, static_cast<TOKEN_INFORMATION_CLASS>(kTokenElevationType), &type, sizeof type,
                               &size)) {
        return TokenKind::Ordinary;
    }
    if (type == kTokenElevationTypeLimited) return TokenKind::Limited;
    if (type == kTokenElevationTypeFull) return TokenKind::Full;
    return TokenKind::Ordinary;
}

bool IsElevated() {
    // A limited administrator's token holds the group for denying only, so the group
    // counts only where its rights are really there.
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                    &administrators)) {
        return false;
    }
    BOOL member = FALSE;
    const bool asked = ::CheckTokenMembership(nullptr, administrators, &member) != FALSE;
    ::FreeSid(administrators);
    return asked && member != FALSE;
}

RelaunchResult RelaunchElevated(const std::wstring& program, const std::wstring& arguments,
                                const std::wstring& directory) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | kNoAsync;
    info.lpVerb = L"runas";
    info.lpFile = program.c_str();
    info.lpParameters = arguments.c_str();
    info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
    info.nShow = SW_SHOWNORMAL;
    RelaunchResult result;
    if (!::ShellExecuteExW(&info)) {
        result.error = ::GetLastError();
        result.outcome =
            result.error == ERROR_CANCELLED ? RelaunchResult::Outcome::Declined : RelaunchResult::Outcome::NotStarted;
        return result;
    }
    if (info.hProcess == nullptr) return result;  // no process came of it
    const UniqueProcessHandle process(info.hProcess);
    ::WaitForSingleObject(process.get(), INFINITE);
    if (!::GetExitCodeProcess(process.get(), &result.exitCode)) {
        result.error = ::GetLastError();
        return result;
    }
    result.outcome = RelaunchResult::Outcome::Ended;
    return result;
}
