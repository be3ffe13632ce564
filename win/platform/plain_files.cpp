#include "win/platform/plain_files.h"

#include "win/platform/administrators_only.h"

#include <aclapi.h>

namespace {

// The device namespaces (\\.\ and \\?\) name pipes, ports and devices, never a plain file
// a deployment would name.
bool InDeviceNamespace(const std::wstring& path) {
    return path.rfind(L"\\\\.\\", 0) == 0 || path.rfind(L"\\\\?\\", 0) == 0;
}

// Where the folders below the root begin: after "C:\" or "\\server\share\".
std::size_t FirstFolder(const std::wstring& path) {
    if (path.rfind(L"\\\\", 0) != 0) return path.size() >= 3 && path[1] == L':' ? 3 : std::wstring::npos;
    const std::size_t server = path.find(L'\\', 2);
    if (server == std::wstring::npos) return std::wstring::npos;
    const std::size_t share = path.find(L'\\', server + 1);
    return share == std::wstring::npos ? std::wstring::npos : share + 1;
}

}  // namespace

std::wstring FullPath(const std::wstring& path) {
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return {};
    full.resize(length);
    return full;
}

std::wstring LinkedFolderWhy(const std::wstring& folder) {
    return L"the folder " + folder + L" is a link (a junction, a mount point or a symbolic link)";
}

std::wstring UnreadableFolderWhy(const std::wstring& folder, DWORD error) {
    return L"the attributes of the folder " + folder + L" cannot be read: error " + std::to_wstring(error);
}

std::optional<std::wstring> UntrustedFolder(const std::wstring& fullPath) {
    // Each folder in turn, the file's own name last and not checked here.
    for (std::size_t end = fullPath.find(L'\\', FirstFolder(fullPath)); end != std::wstring::npos;
         end = fullPath.find(L'\\', end + 1)) {
        const std::wstring folder = fullPath.substr(0, end);
        const DWORD attributes = ::GetFileAttributesW(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
            return UnreadableFolderWhy(folder, error);
        }
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return LinkedFolderWhy(folder);
        }
    }
    return std::nullopt;
}

UniqueFileHandle OpenPlainFile(const std::wstring& fullPath, DWORD access, DWORD share, DWORD disposition,
                               DWORD& error) {
    if (InDeviceNamespace(fullPath)) {
        error = ERROR_ACCESS_DENIED;
        return UniqueFileHandle();
    }
    UniqueFileHandle file(::CreateFileW(
        fullPath.c_str(), access, share, nullptr, disposition,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
        nullptr));
    if (!file) {
        error = ::GetLastError();
        return file;
    }
    if (!IsPlainFile(file.get())) {
        error = ERROR_ACCESS_DENIED;
        return UniqueFileHandle();
    }
    return file;
}

bool IsPlainFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &information)) return false;
    const DWORD notAFile = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    return (information.dwFileAttributes & notAFile) == 0 && information.nNumberOfLinks == 1;
}

std::wstring FileOwner(HANDLE file, DWORD& error) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    error = ::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                              &descriptor);
    if (error != ERROR_SUCCESS) return {};
    std::wstring text = SidText(owner);
    if (text.empty()) error = owner == nullptr ? ERROR_INVALID_SID : ::GetLastError();
    ::LocalFree(descriptor);
    return text;
}
