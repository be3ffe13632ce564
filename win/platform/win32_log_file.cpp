#include "win/platform/win32_log_file.h"

#include "win/platform/plain_files.h"

std::unique_ptr<Win32LogFile> Win32LogFile::Open(const HeldFolder& folder, const std::wstring& name, DWORD& error) {
    UniqueFileHandle file =
        folder.OpenPlainFile(name, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN_IF, error);
    if (!file) return nullptr;
    return std::unique_ptr<Win32LogFile>(new Win32LogFile(std::move(file)));
}

Win32LogFile::Win32LogFile(UniqueFileHandle file) : file_(std::move(file)) {}

void Win32LogFile::Append(const std::wstring& line) {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    const std::string bytes =
        LogLineBytes({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond}, line);
    DWORD written = 0;
    // Appended as one write, so that two runs logging to one file never mix their lines.
    // (The lines of this run's two threads are kept apart by the run's output lock.)
    ::WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
