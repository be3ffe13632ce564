#include "win/platform/win32_files.h"

#include <ntsecapi.h>

#include <vector>

#include "core/elevation.h"
#include "win/platform/administrators_only.h"
#include "win/platform/elevation.h"
#include "win/platform/handles.h"
#include "win/platform/plain_files.h"

namespace {

// How many names the new file tries before giving up: one that exists is never opened.
constexpr int kAttempts = 100;
// How long a record that another program holds open is waited for before it is written
// in place: a reader or a scanner lets go within moments.
constexpr int kMoveAttempts = 5;
constexpr DWORD kMovePause = 200;
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return ::FlushFileBuffers(file) != FALSE;
}

// The errors of a move over a file another program holds open.
bool HeldOpen(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

// A name for the new file that nobody can guess ahead: 64 random bits.
std::wstring RandomSuffix() {
    unsigned char random[8] = {};
    if (!::RtlGenRandom(random, sizeof random)) {
        // Still unique enough to try; a name taken is never opened in any case.
        const ULONGLONG tick = ::GetTickCount() ^ (static_cast<ULONGLONG>(::GetCurrentThreadId()) << 32);
        for (std::size_t i = 0; i < sizeof random; ++i) random[i] = static_cast<unsigned char>(tick >> (8 * i));
    }
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring text;
    for (const unsigned char byte : random) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

// A descriptor that names the administrators' group as the owner and leaves the access
// list to what the folder passes on.
class AdministratorsAsOwner {
public:
    AdministratorsAsOwner() {
        const NtSid administrators = NtSid::Administrators();
        if (administrators.get() == nullptr) return;
        owner_.resize(::GetLengthSid(administrators.get()));
        ready_ = ::CopySid(static_cast<DWORD>(owner_.size()), owner_.data(), administrators.get()) &&
                 ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
                 ::SetSecurityDescriptorOwner(&descriptor_, owner_.data(), FALSE);
    }
    PSECURITY_DESCRIPTOR get() { return ready_ ? &descriptor_ : nullptr; }

private:
    std::vector<BYTE> owner_;
    SECURITY_DESCRIPTOR descriptor_{};
    bool ready_ = false;
};

}  // namespace

bool OwnerTrusted(HANDLE file, DWORD& error) {
    const std::wstring owner = FileOwner(file, error);
    if (TrustedOwner(owner, TokenUserSid())) return true;
    if (!owner.empty()) error = ERROR_INVALID_OWNER;
    return false;
}

std::optional<std::wstring> Win32Files::NameIn(const std::wstring& path, DWORD& error) const {
    if (folder_ == nullptr) {
        error = ERROR_PATH_NOT_FOUND;
        return std::nullopt;
    }
    std::wstring folder = folder_->Path();
    if (folder.back() == L'\\') folder.pop_back();  // a drive's root
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos || path.compare(0, slash, folder) != 0) {
        error = ERROR_INVALID_NAME;
        return std::nullopt;
    }
    return path.substr(slash + 1);
}

// The record as it is, emptied and written again, for when another program holds it open
// and it cannot be replaced. The bytes go in one call, so that a reader sees the old
// name or the whole new one.
bool Win32Files::WriteInPlace(const std::wstring& name, std::string_view bytes, DWORD& error) const {
    const UniqueFileHandle file =
        folder_->OpenPlainFile(name, GENERIC_WRITE | READ_CONTROL, kShareAll, FILE_OPEN, error);
    if (!file || !OwnerTrusted(file.get(), error)) return false;
    DWORD written = 0;
    // Written over first, cut to length after: a reader, or a run ended in between, sees
    // the old name or the new one, never an empty record.
    const bool whole = ::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == 0 &&
                       ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size() && ::SetEndOfFile(file.get()) && ::FlushFileBuffers(file.get());
    if (!whole) error = ::GetLastError();
    return whole;
}

// Closed again at once: Wine replaces no file that is open.
bool Win32Files::ReadOnly(const std::wstring& name) const {
    DWORD error = 0;
    const UniqueFileHandle file = folder_->OpenFile(name, FILE_READ_ATTRIBUTES, kShareAll, FILE_OPEN, error);
    BY_HANDLE_FILE_INFORMATION information{};
    return file && ::GetFileInformationByHandle(file.get(), &information) &&
           (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
}

Files::Outcome Win32Files::WriteFile(const std::wstring& path, std::string_view bytes) {
    DWORD error = 0;
    const std::optional<std::wstring> name = NameIn(path, error);
    if (!name) return {Result::NotOpened, error};
    AdministratorsAsOwner owner;
    PSECURITY_DESCRIPTOR security = administratorsOwn_ ? owner.get() : nullptr;
    UniqueFileHandle file;
    for (int attempt = 0; attempt < kAttempts && !file; ++attempt) {
        file = folder_->OpenFile(*name + L"." + RandomSuffix() + L".new", GENERIC_WRITE | DELETE, 0, FILE_CREATE, error,
                                 security);
        if (!file && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    if (!file) return {Result::NotOpened, error};

    const bool written = WriteAll(file.get(), bytes);
    if (!written) error = ::GetLastError();
    // A record someone made read-only is kept, as Windows itself would keep it (Wine
    // would replace it).
    const bool readOnly = ReadOnly(*name);
    if (written && !readOnly) {
        for (int attempt = 0; attempt < kMoveAttempts; ++attempt) {
            if (attempt > 0) ::Sleep(kMovePause);
            error = folder_->MoveOver(file.get(), *name);
            if (error == 0) return {Result::Written, 0};
            if (!HeldOpen(error)) break;
        }
    }
    // The new file goes with its handle: its name is never used again.
    static_cast<void>(DeleteWhenClosed(file.get()));
    file.reset();
    if (readOnly) return {Result::WriteFailed, ERROR_ACCESS_DENIED};
    if (written && HeldOpen(error) && WriteInPlace(*name, bytes, error)) return {Result::Written, 0};
    return {Result::WriteFailed, error};
}

namespace {

// At most `limit` bytes of the open `file`.
std::optional<std::string> ReadUpTo(HANDLE file, std::size_t limit, SystemError& error) {
    std::string bytes(limit, '\0');
    DWORD read = 0;
    if (!::ReadFile(file, bytes.data(), static_cast<DWORD>(limit), &read, nullptr)) {
        error = ::GetLastError();
        return std::nullopt;
    }
    bytes.resize(read);
    error = 0;
    return bytes;
}

}  // namespace

std::optional<std::string> Win32Files::ReadFile(const std::wstring& path, std::size_t limit, SystemError& error) {
    DWORD openError = 0;
    const std::optional<std::wstring> name = NameIn(path, openError);
    UniqueFileHandle file;
    if (name) file = folder_->OpenPlainFile(*name, GENERIC_READ | READ_CONTROL, kShareAll, FILE_OPEN, openError);
    if (file && !OwnerTrusted(file.get(), openError)) file.reset();
    if (!file) {
        error = openError;
        return std::nullopt;
    }
    return ReadUpTo(file.get(), limit, error);
}

std::optional<std::string> Win32Files::ReadInf(const std::wstring& path, std::size_t limit, SystemError& error) {
    DWORD openError = 0;
    const UniqueFileHandle file = OpenPlainFile(FullPath(path), GENERIC_READ, kShareAll, OPEN_EXISTING, openError);
    if (!file) {
        error = openError;
        return std::nullopt;
    }
    return ReadUpTo(file.get(), limit, error);
}

SystemError Win32Files::RemoveFile(const std::wstring& path) {
    DWORD error = 0;
    const std::optional<std::wstring> name = NameIn(path, error);
    return name ? folder_->Delete(*name) : error;
}
