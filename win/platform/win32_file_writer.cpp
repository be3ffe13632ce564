#include "win/platform/win32_file_writer.h"

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
    const bool whole = ::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == 0 && ::SetEndOfFile(file.get()) &&
                       ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size() && ::FlushFileBuffers(file.get());
    if (!whole) error = ::GetLastError();
    return whole;
}

}  // namespace

FileWriter::Result Win32FileWriter::WriteFile(const std::string& name, std::string_view bytes) {
    const std::wstring target(name.begin(), name.end());
    std::wstring temporary;
    UniqueFileHandle file;
    for (int attempt = 0; attempt < kAttempts && !file; ++attempt) {
        temporary =
            target + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(attempt) + L".new";
        file.reset(
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && ::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    if (!file) {
        lastError_ = ::GetLastError();
        return Result::NotOpened;
    }

    const bool written = WriteAll(file.get(), bytes);
    lastError_ = written ? ERROR_SUCCESS : ::GetLastError();
    file.reset();
    // A record someone made read-only is kept, as Windows itself would keep it (Wine
    // would replace it).
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) lastError_ = ERROR_ACCESS_DENIED;
    DWORD error = 0;
    if (written && !readOnly && MoveOver(temporary, target, error)) return Result::Written;
    ::DeleteFileW(temporary.c_str());
    if (written && !readOnly) {
        if (HeldOpen(error) && WriteInPlace(target, bytes, error)) return Result::Written;
        lastError_ = error;
    }
    return Result::WriteFailed;
}
