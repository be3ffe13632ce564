#include "win/platform/win32_file_writer.h"

#include <windows.h>

#include "win/platform/handles.h"

namespace {

// How many names the new file tries before giving up: one that exists is never opened.
constexpr int kAttempts = 100;

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
    if (!file) return Result::NotOpened;

    const bool written = WriteAll(file.get(), bytes);
    file.reset();
    // A record someone made read-only is kept, as Windows itself would keep it (Wine
    // would replace it).
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (written && !readOnly &&
        ::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return Result::Written;
    }
    ::DeleteFileW(temporary.c_str());
    return Result::WriteFailed;
}
