#include "win/platform/elevation.h"

#include <objbase.h>
#include <shellapi.h>

#include <vector>

#include "win/platform/administrators_only.h"
#include "win/platform/handles.h"
#include "win/platform/system_paths.h"

namespace {

// Named only in the headers of systems since Vista.
constexpr int kTokenElevationType = 18;
constexpr DWORD kTokenElevationTypeFull = 2;
constexpr DWORD kTokenElevationTypeLimited = 3;
constexpr ULONG kNoAsync = 0x00000100;  // SEE_MASK_NOASYNC: we have no message loop to finish it in
// SEE_MASK_NOZONECHECKS: a downloaded program's security warning was shown when it
// started; asked again, Cancel there would count as a declined elevation.
constexpr ULONG kNoZoneChecks = 0x00800000;

// COM for the length of one shell call, as the shell's verbs may need it.
class ComForThisThread {
public:
    ComForThisThread() : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComForThisThread() {
        if (initialised_) ::CoUninitialize();
    }
    ComForThisThread(const ComForThisThread&) = delete;
    ComForThisThread& operator=(const ComForThisThread&) = delete;

private:
    bool initialised_;
};

// Waits for the process to end. With an owner window, this thread's windows are kept
// drawn meanwhile: the page that waits stays on screen, disabled, and is not reported
// as hanging.
bool WaitForTheEnd(HANDLE process, HWND owner) {
    if (owner == nullptr) return ::WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0;
    for (;;) {
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken != WAIT_OBJECT_0 + 1) return false;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

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

std::wstring TokenUserSid() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    const UniqueProcessHandle owned(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size < sizeof(TOKEN_USER)) return {};
    std::vector<BYTE> buffer(size);
    if (!::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return {};
    return SidText(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid);
}

bool RunsAsSystemAccount() {
    return TokenUserSid() == kSystemSid;
}

bool IsElevated() {
    // A limited administrator's token holds the group for denying only, so the group
    // counts only where its rights are really there.
    const NtSid administrators = NtSid::Administrators();
    BOOL member = FALSE;
    return administrators.get() != nullptr && ::CheckTokenMembership(nullptr, administrators.get(), &member) &&
           member != FALSE;
}

RelaunchResult RelaunchElevated(const std::wstring& program, const std::wstring& arguments,
                                const std::wstring& directory, HWND owner) {
    const ComForThisThread com;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | kNoAsync | kNoZoneChecks;
    info.hwnd = owner;
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
    // Started, but not handed over: it runs on its own, and how it ends cannot be told.
    result.outcome = RelaunchResult::Outcome::ExitCodeUnread;
    if (info.hProcess == nullptr) {
        result.error = ERROR_INVALID_HANDLE;
        return result;
    }
    const UniqueProcessHandle process(info.hProcess);
    DWORD exitCode = 0;
    if (!WaitForTheEnd(process.get(), owner) || !::GetExitCodeProcess(process.get(), &exitCode)) {
        result.error = ::GetLastError();
        return result;
    }
    result.exitCode = exitCode;
    result.outcome = RelaunchResult::Outcome::Ended;
    return result;
}

std::optional<std::wstring> MappedNetworkShare(wchar_t drive) {
    using WNetGetConnectionFunction = DWORD(WINAPI*)(LPCWSTR, LPWSTR, LPDWORD);
    const UniqueModule mpr = LoadSystemLibrary(L"mpr.dll");
    const auto getConnection = ProcAddress<WNetGetConnectionFunction>(mpr.get(), "WNetGetConnectionW");
    if (getConnection == nullptr) return std::nullopt;
    const wchar_t local[] = {drive, L':', L'\0'};
    std::wstring remote(MAX_PATH, L'\0');
    DWORD length = static_cast<DWORD>(remote.size());
    DWORD status = getConnection(local, remote.data(), &length);
    if (status == ERROR_MORE_DATA) {
        remote.resize(length);
        status = getConnection(local, remote.data(), &length);
    }
    if (status != NO_ERROR) return std::nullopt;
    // A provider need not end the name within the buffer.
    return ShareNameInBuffer(remote);
}
