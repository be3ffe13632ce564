#include "win/platform/win32_files.h"

#include <windows.h>

#include "win/platform/handles.h"
#include "win/platform/plain_files.h"

namespace {

// How many names the new file tries before giving up: one that exists is never opened.
constexpr int kAttempts = 100;
// How long a record that another program holds open is waited for before it is written
// in place: a reader or a scanner lets go within moments.
constexpr int kMoveAttempts = 5;
constexpr DWORD kMovePause = 200;

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

bool MoveOver(const std::wstring& from, const std::wstring& to, DWORD& error) {
    for (int attempt = 0;; ++attempt) {
        if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        error = ::GetLastError();
        if (!HeldOpen(error) || attempt + 1 == kMoveAttempts) return false;
        ::Sleep(kMovePause);
    }
}

// The record as it is, emptied and written again, for when another program holds it open
// and it cannot be replaced. Only a plain file with one name is written, never a link,
// and the bytes go in one call, so that a reader sees the old name or the whole new one.
bool WriteInPlace(const std::wstring& target, std::string_view bytes, DWORD& error) {
    const UniqueFileHandle file = OpenPlainFile(
        FullPath(target), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, error);
    if (!file) return false;
    DWORD written = 0;
    // Written over first, cut to length after: a reader, or a run ended in between, sees
    // the old name or the new one, never an empty record.
    const bool whole = ::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == 0 &&
                       ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size() && ::SetEndOfFile(file.get()) && ::FlushFileBuffers(file.get());
    if (!whole) error = ::GetLastError();
    return whole;
}

}  // namespace

Files::Outcome Win32Files::WriteFile(const std::wstring& path, std::string_view bytes) {
    const std::wstring target = FullPath(path);
    std::wstring temporary;
    UniqueFileHandle file;
    for (int attempt = 0; attempt < kAttempts && !file && !target.empty(); ++attempt) {
        temporary =
            target + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(attempt) + L".new";
        file.reset(
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && ::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    if (!file) return {Result::NotOpened, target.empty() ? ERROR_INVALID_NAME : ::GetLastError()};

    const bool written = WriteAll(file.get(), bytes);
    DWORD error = written ? ERROR_SUCCESS : ::GetLastError();
    file.reset();
    // A record someone made read-only is kept, as Windows itself would keep it (Wine
    // would replace it).
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (written && !readOnly && MoveOver(temporary, target, error)) return {Result::Written, 0};
    ::DeleteFileW(temporary.c_str());
    if (readOnly) return {Result::WriteFailed, ERROR_ACCESS_DENIED};
    if (written && HeldOpen(error) && WriteInPlace(target, bytes, error)) return {Result::Written, 0};
    return {Result::WriteFailed, error};
}

std::optional<std::string> Win32Files::ReadFile(const std::wstring& path, std::size_t limit, SystemError& error) {
    DWORD openError = 0;
    const UniqueFileHandle file = OpenPlainFile(
        FullPath(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, openError);
    if (!file) {
        error = openError;
        return std::nullopt;
    }
    std::string bytes(limit, '\0');
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(limit), &read, nullptr)) {
        error = ::GetLastError();
        return std::nullopt;
    }
    bytes.resize(read);
    error = 0;
    return bytes;
}

SystemError Win32Files::RemoveFile(const std::wstring& path) {
    // DeleteFileW removes a link itself, never the file it points to.
    return ::DeleteFileW(FullPath(path).c_str()) ? 0 : ::GetLastError();
}
