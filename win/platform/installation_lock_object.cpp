#include "win/platform/installation_lock_object.h"

#include <aclapi.h>

#include <string>

#include "win/platform/administrators_only.h"
#include "win/platform/installation_lock_name.h"

namespace {

using Distrust = InstallationLock::Distrust;

// The boundary's name and the alias under which this process reaches the namespace.
constexpr wchar_t kBoundaryName[] = L"KestrinInstallation";
constexpr wchar_t kNamespaceAlias[] = L"Kestrin";

// Vista's private-namespace functions, looked up while the program runs: a program that
// imported them would not start on XP.
struct NamespaceFunctions {
    using CreateBoundary = HANDLE(WINAPI*)(LPCWSTR, ULONG);
    using AddSid = BOOL(WINAPI*)(HANDLE*, PSID);
    using DeleteBoundary = VOID(WINAPI*)(HANDLE);
    using CreateNamespace = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
    using OpenNamespace = HANDLE(WINAPI*)(LPVOID, LPCWSTR);

    NamespaceFunctions() {
        const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
        createBoundary = ProcAddress<CreateBoundary>(kernel32, "CreateBoundaryDescriptorW");
        addSid = ProcAddress<AddSid>(kernel32, "AddSIDToBoundaryDescriptor");
        deleteBoundary = ProcAddress<DeleteBoundary>(kernel32, "DeleteBoundaryDescriptor");
        createNamespace = ProcAddress<CreateNamespace>(kernel32, "CreatePrivateNamespaceW");
        openNamespace = ProcAddress<OpenNamespace>(kernel32, "OpenPrivateNamespaceW");
        closeNamespace = ProcAddress<PrivateNamespacePolicy::CloseFunction>(kernel32, "ClosePrivateNamespace");
    }
    bool Complete() const {
        return createBoundary != nullptr && addSid != nullptr && deleteBoundary != nullptr &&
               createNamespace != nullptr && openNamespace != nullptr && closeNamespace != nullptr;
    }

    CreateBoundary createBoundary = nullptr;
    AddSid addSid = nullptr;
    DeleteBoundary deleteBoundary = nullptr;
    CreateNamespace createNamespace = nullptr;
    OpenNamespace openNamespace = nullptr;
    PrivateNamespacePolicy::CloseFunction closeNamespace = nullptr;
};

// The namespace bounded to the administrators' group: only a token that holds that group
// can make one with this boundary, and its access list lets only the administrators and
// the system account open it. Null where the system lacks the functions or refuses.
UniquePrivateNamespace OpenAdministratorsNamespace() {
    const NamespaceFunctions functions;
    if (!functions.Complete()) return UniquePrivateNamespace();
    HANDLE boundary = functions.createBoundary(kBoundaryName, 0);
    if (boundary == nullptr) return UniquePrivateNamespace();
    UniquePrivateNamespace space;
    const NtSid administrators = NtSid::Administrators();
    AdministratorsOnly access(GENERIC_ALL, AdministratorsOnly::Owner::Administrators);
    DWORD error = 0;
    SECURITY_ATTRIBUTES* const attributes = access.Attributes(error);
    if (administrators.get() != nullptr && attributes != nullptr && functions.addSid(&boundary, administrators.get())) {
        // A namespace that another run made goes when that run closes it; one that went
        // between the two calls is made afresh.
        for (int attempt = 0; attempt < 3 && !space; ++attempt) {
            HANDLE opened = functions.createNamespace(attributes, boundary, kNamespaceAlias);
            if (opened == nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
                opened = functions.openNamespace(boundary, kNamespaceAlias);
            }
            if (opened == nullptr) {
                const DWORD why = ::GetLastError();
                if (why != ERROR_PATH_NOT_FOUND && why != ERROR_FILE_NOT_FOUND) break;
                continue;
            }
            space = UniquePrivateNamespace(opened, PrivateNamespacePolicy{functions.closeNamespace});
        }
    }
    functions.deleteBoundary(boundary);
    return space;
}

// Reads the owner and access list of an object that was there already and judges them.
Distrust CheckMadeByKestrin(HANDLE object, DWORD& error) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    error = ::GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &dacl, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) return Distrust::Unreadable;
    const Distrust distrust = JudgeLockObject(owner, dacl);
    ::LocalFree(descriptor);
    return distrust;
}

// The mutex of `name`: made now, owned by the administrators with access for them and
// the system account only; or, when it is there already, opened and taken only when
// they made it.
UniqueProcessHandle OpenMutexMadeByKestrin(const wchar_t* name, InstallationLock::Trouble& trouble) {
    AdministratorsOnly access(MUTEX_ALL_ACCESS, AdministratorsOnly::Owner::Administrators);
    DWORD error = 0;
    SECURITY_ATTRIBUTES* const attributes = access.Attributes(error);
    if (attributes == nullptr) {
        trouble = {error, Distrust::None};
        return UniqueProcessHandle();
    }
    UniqueProcessHandle mutex(::CreateMutexW(attributes, FALSE, name));
    const DWORD created = ::GetLastError();
    if (mutex && created != ERROR_ALREADY_EXISTS) return mutex;
    // There already, and it could not be opened for all access: opened with what waiting,
    // letting go and reading its owner and access list need.
    if (!mutex) mutex.reset(::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE | READ_CONTROL, FALSE, name));
    if (!mutex) {
        // None there: why this run could not make it (a run without administrator
        // rights cannot give it their owner) says more than that it is not there.
        const DWORD opened = ::GetLastError();
        trouble = {opened == ERROR_FILE_NOT_FOUND ? created : opened, Distrust::None};
        return mutex;
    }
    const Distrust distrust = CheckMadeByKestrin(mutex.get(), error);
    if (distrust != Distrust::None) {
        trouble = {error, distrust};
        mutex.reset();
    }
    return mutex;
}

}  // namespace

InstallationLock::Distrust JudgeLockObject(PSID owner, const ACL* dacl) {
    if (dacl == nullptr) return Distrust::NoAccessList;
    const NtSid administrators = NtSid::Administrators();
    const NtSid system = NtSid::System();
    // Where the SIDs cannot be made, nothing can be shown to be theirs.
    if (administrators.get() == nullptr || system.get() == nullptr) return Distrust::ForeignOwner;
    const auto theirs = [&](PSID sid) {
        return sid != nullptr && (::EqualSid(sid, administrators.get()) || ::EqualSid(sid, system.get()));
    };
    for (WORD index = 0; index < dacl->AceCount; ++index) {
        void* entry = nullptr;
        if (!::GetAce(const_cast<PACL>(dacl), index, &entry)) return Distrust::OpenToOthers;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        // A denial lets no one in; any other kind of entry than a plain grant to the
        // administrators or the system account might.
        if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return Distrust::OpenToOthers;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if (allowed->Mask != 0 && !theirs(&allowed->SidStart)) return Distrust::OpenToOthers;
    }
    // Its owner may rewrite its access list at will.
    if (!theirs(owner)) return Distrust::ForeignOwner;
    return Distrust::None;
}

bool InstallationLockObject::Open(InstallationLock::Trouble& trouble) {
    Close();
    namespace_ = OpenAdministratorsNamespace();
    const std::wstring name =
        namespace_ ? std::wstring(kNamespaceAlias) + L"\\KestrinInstallation" : kInstallationMutexName;
    mutex_ = OpenMutexMadeByKestrin(name.c_str(), trouble);
    if (!mutex_) namespace_.reset();
    return static_cast<bool>(mutex_);
}

void InstallationLockObject::Close() {
    mutex_.reset();
    namespace_.reset();
}
