#include "tests/win/platform/test_process.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

std::wstring ThisProgram() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

std::wstring ThisProgramName() {
    const std::wstring path = ThisProgram();
    return path.substr(path.find_last_of(L'\\') + 1);
}

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

int RunChild(const std::wstring& arguments) {
    std::wstring commandLine = Quoted(ThisProgram()) + L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &started)) {
        return -1;
    }
    DWORD exitCode = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(started.hProcess, 60'000) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(started.hProcess, &exitCode);
    } else {
        ::TerminateProcess(started.hProcess, exitCode);
    }
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return static_cast<int>(exitCode);
}

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string FileBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ScratchDirectory::ScratchDirectory() {
    static int count = 0;
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    path_ =
        std::wstring(temp) + L"kestrin-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++count);
    std::filesystem::remove_all(std::filesystem::path(path_));
    std::filesystem::create_directories(std::filesystem::path(path_));
    previous_ = std::filesystem::current_path().wstring();
    ::SetCurrentDirectoryW(path_.c_str());
}

ScratchDirectory::~ScratchDirectory() {
    ::SetCurrentDirectoryW(previous_.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}
