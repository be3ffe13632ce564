#include "win/platform/win32_log_file.h"

namespace {

// Named only in the headers of systems since Vista; earlier ones ignore it.
constexpr DWORD kOpenReparsePoint = 0x00200000;

}  // namespace

std::unique_ptr<Win32LogFile> Win32LogFile::Open(const std::wstring& path, DWORD& error) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | kOpenReparsePoint, nullptr));
    if (!file) {
        error = ::GetLastError();
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(file.get(), &information)) {
        error = ::GetLastError();
        return nullptr;
    }
    const DWORD notAFile = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    if ((information.dwFileAttributes & notAFile) != 0 || information.nNumberOfLinks > 1) {
        error = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    return std::unique_ptr<Win32LogFile>(new Win32LogFile(std::move(file)));
}

void Win32LogFile::Append(const std::wstring& line) {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    const std::string bytes =
        LogLineBytes({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond}, line);
    DWORD written = 0;
    // Appended as one write, so that two runs logging to one file never mix their lines.
    ::WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
