#include "win/platform/held_folder.h"

#include <winternl.h>

#include <cstring>

#include "win/platform/plain_files.h"

namespace {

constexpr ULONG kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;  // never FILE_SHARE_DELETE: no rename
constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

// The counted string the native functions take; false for a name too long for one.
bool CountedString(std::wstring_view text, UNICODE_STRING& counted) {
    if (text.size() > 0x7FFF) return false;
    counted.Buffer = const_cast<PWSTR>(text.data());
    counted.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    return true;
}

// A single name within a folder: no folder of its own, and not the folder or its parent.
bool PlainName(std::wstring_view name) {
    return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/") == std::wstring_view::npos;
}

// NtCreateFile relative to `folder`; the handle, or invalid with the system's error.
UniqueFileHandle OpenRelative(HANDLE folder, std::wstring_view name, ACCESS_MASK access, ULONG share, ULONG disposition,
                              ULONG options, PSECURITY_DESCRIPTOR security, DWORD& error) {
    UNICODE_STRING counted{};
    if (!CountedString(name, counted)) {
        error = ERROR_FILENAME_EXCED_RANGE;
        return UniqueFileHandle();
    }
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, folder, security);
    // Identification only: whatever answers cannot act as this process.
    SECURITY_QUALITY_OF_SERVICE quality{sizeof quality, SecurityIdentification, SECURITY_STATIC_TRACKING, FALSE};
    attributes.SecurityQualityOfService = &quality;
    IO_STATUS_BLOCK status{};
    HANDLE opened = INVALID_HANDLE_VALUE;
    const NTSTATUS result =
        ::NtCreateFile(&opened, access | SYNCHRONIZE, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL, share,
                       disposition, options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
    if (result < 0) {
        error = ::RtlNtStatusToDosError(result);
        return UniqueFileHandle();
    }
    error = 0;
    return UniqueFileHandle(opened);
}

DWORD SetInformation(HANDLE file, void* information, ULONG size, FILE_INFORMATION_CLASS kind) {
    IO_STATUS_BLOCK status{};
    const NTSTATUS result = ::NtSetInformationFile(file, &status, information, size, kind);
    return result < 0 ? ::RtlNtStatusToDosError(result) : 0;
}

// The words for a folder on the way that would not open; a missing one, whichever it is,
// makes `error` a path not found.
std::wstring NotOpened(const std::wstring& folder, DWORD& error) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        error = ERROR_PATH_NOT_FOUND;
        return L"the folder " + folder + L" does not exist";
    }
    return L"the folder " + folder + L" cannot be opened: error " + std::to_wstring(error);
}

}  // namespace

std::unique_ptr<HeldFolder> HeldFolder::Open(const std::wstring& fullPath, DWORD& error, std::wstring& why) {
    // The root: a drive's ("C:\") or a share's ("\\server\share\"), which nobody renames.
    std::size_t rootEnd = std::wstring::npos;
    if (fullPath.size() >= 3 && fullPath[1] == L':' && fullPath[2] == L'\\') {
        rootEnd = 3;
    } else if (fullPath.size() > 2 && fullPath.rfind(L"\\\\", 0) == 0 && fullPath[2] != L'?' && fullPath[2] != L'.') {
        const std::size_t server = fullPath.find(L'\\', 2);
        const std::size_t share = server == std::wstring::npos ? server : fullPath.find(L'\\', server + 1);
        rootEnd = share == std::wstring::npos ? fullPath.size() : share + 1;
    }
    if (rootEnd == std::wstring::npos) {
        error = ERROR_INVALID_NAME;
        why = L"the folder " + fullPath + L" is not on a drive or a network share";
        return nullptr;
    }
    std::unique_ptr<HeldFolder> held(new HeldFolder());
    held->path_ = fullPath;
    while (held->path_.size() > rootEnd && held->path_.back() == L'\\') held->path_.pop_back();
    std::wstring root = fullPath.substr(0, rootEnd);
    if (root.back() != L'\\') root += L'\\';
    held->chain_.emplace_back(::CreateFileW(root.c_str(), kFolderAccess,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!held->chain_.back()) {
        error = ::GetLastError();
        why = NotOpened(root, error);
        return nullptr;
    }
    // Each folder below, opened in the one above: whatever its path says by then.
    std::size_t start = rootEnd;
    while (start < held->path_.size()) {
        std::size_t end = held->path_.find(L'\\', start);
        if (end == std::wstring::npos) end = held->path_.size();
        const std::wstring_view name = std::wstring_view(held->path_).substr(start, end - start);
        const std::wstring folder = held->path_.substr(0, end);
        start = end + 1;
        if (name.empty()) continue;
        UniqueFileHandle opened = OpenRelative(held->chain_.back().get(), name, kFolderAccess, kFolderShare, FILE_OPEN,
                                               FILE_DIRECTORY_FILE, nullptr, error);
        if (!opened) {
            why = NotOpened(folder, error);
            return nullptr;
        }
        BY_HANDLE_FILE_INFORMATION information{};
        if (!::GetFileInformationByHandle(opened.get(), &information)) {
            error = ::GetLastError();
            why = UnreadableFolderWhy(folder, error);
            return nullptr;
        }
        if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            error = ERROR_ACCESS_DENIED;
            why = LinkedFolderWhy(folder);
            return nullptr;
        }
        held->chain_.push_back(std::move(opened));
    }
    error = 0;
    return held;
}

UniqueFileHandle HeldFolder::OpenFile(std::wstring_view name, ACCESS_MASK access, ULONG share, ULONG disposition,
                                      DWORD& error, PSECURITY_DESCRIPTOR security) const {
    if (!PlainName(name)) {
        error = ERROR_INVALID_NAME;
        return UniqueFileHandle();
    }
    return OpenRelative(Handle(), name, access, share, disposition, FILE_NON_DIRECTORY_FILE, security, error);
}

UniqueFileHandle HeldFolder::OpenPlainFile(std::wstring_view name, ACCESS_MASK access, ULONG share, ULONG disposition,
                                           DWORD& error) const {
    UniqueFileHandle file = OpenFile(name, access, share, disposition, error);
    if (file && !IsPlainFile(file.get())) {
        error = ERROR_ACCESS_DENIED;
        file.reset();
    }
    return file;
}

DWORD HeldFolder::MoveOver(HANDLE file, std::wstring_view name) const {
    if (!PlainName(name) || name.size() > 0x7FFF) return ERROR_INVALID_NAME;
    // The structure ends in the name, which runs on past it.
    const std::size_t bytes = name.size() * sizeof(wchar_t);
    std::vector<BYTE> buffer(offsetof(FILE_RENAME_INFORMATION, FileName) + bytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = Handle();
    rename->FileNameLength = static_cast<ULONG>(bytes);
    std::memcpy(buffer.data() + offsetof(FILE_RENAME_INFORMATION, FileName), name.data(), bytes);
    return SetInformation(file, buffer.data(), static_cast<ULONG>(buffer.size()), FileRenameInformation);
}

DWORD HeldFolder::Delete(std::wstring_view name) const {
    DWORD error = 0;
    const UniqueFileHandle file =
        OpenFile(name, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN, error);
    return file ? DeleteWhenClosed(file.get()) : error;
}

DWORD DeleteWhenClosed(HANDLE file) {
    FILE_DISPOSITION_INFORMATION disposition{TRUE};
    return SetInformation(file, &disposition, sizeof disposition, FileDispositionInformation);
}
