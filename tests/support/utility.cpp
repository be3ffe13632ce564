#include "tests/support/utility.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::wstring Decode(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, result.data(), units);
    return result;
}

}  // namespace

std::optional<std::string> FileBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), {});
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CopyAnew(const std::wstring& from, const std::wstring& to) {
    if (FileExists(to) && FileBytes(from) == FileBytes(to)) return true;
    DeleteFileW(to.c_str());
    return CopyFileW(from.c_str(), to.c_str(), TRUE) != FALSE;
}

std::wstring WindowsPath(std::wstring path) {
    if (path.empty() || path[0] != L'/') return path;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return L"Z:" + path;
}

std::wstring ThisProgram() {
    wchar_t path[MAX_PATH] = {};
    return {path, GetModuleFileNameW(nullptr, path, MAX_PATH)};
}

std::wstring ProgramDirectory() {
    const std::wstring program = ThisProgram();
    return program.substr(0, program.find_last_of(L'\\'));
}

ScratchDirectory::ScratchDirectory() {
    static int count = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"kestrin-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count);
    std::filesystem::remove_all(std::filesystem::path(path_));
    std::filesystem::create_directories(std::filesystem::path(path_));
    previous_ = std::filesystem::current_path().wstring();
    SetCurrentDirectoryW(path_.c_str());
}

ScratchDirectory::~ScratchDirectory() {
    SetCurrentDirectoryW(previous_.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}

bool SetRegistryData(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type, const void* data,
                     DWORD size) {
    HKEY handle = nullptr;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG status = RegSetValueExW(handle, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

bool SetRegistryText(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value) {
    return SetRegistryData(root, key, name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

bool DeleteRegistryValue(HKEY root, const std::wstring& key, const std::wstring& name) {
    HKEY handle = nullptr;
    const LONG opened = RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE, &handle);
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    const LONG status = RegDeleteValueW(handle, name.c_str());
    RegCloseKey(handle);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

std::wstring FromUtf8(std::string_view text) {
    return Decode(CP_UTF8, text);
}

std::wstring FromAnsi(std::string_view text) {
    return Decode(CP_ACP, text);
}

std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, result.data(), bytes, nullptr, nullptr);
    return result;
}

void Print(std::wstring_view line) {
    const std::string bytes = ToUtf8(line) + "\n";
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

std::optional<StartedProcess> StartProcess(const wchar_t* program, std::wstring commandLine, DWORD flags,
                                           const wchar_t* directory) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    const DWORD start = GetTickCount();
    if (CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, directory, &startup,
                       &started)) {
        const UniqueProcessHandle thread(started.hThread);
        return StartedProcess{UniqueProcessHandle(started.hProcess), started.dwProcessId, started.dwThreadId};
    }
    const DWORD error = GetLastError();
    Print(std::wstring(kNotStartedLine) + L"CreateProcessW failed with error " + std::to_wstring(error) + L" after " +
          std::to_wstring(GetTickCount() - start) + L" ms: " + commandLine);
    return std::nullopt;
}

std::optional<DWORD> RunProcess(const std::wstring& commandLine, DWORD milliseconds) {
    const auto started = StartProcess(nullptr, commandLine, 0, nullptr);
    if (!started) return std::nullopt;
    const HANDLE process = started->process.get();
    DWORD code = 0;
    if (WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code)) return code;
    TerminateProcess(process, 1);
    return std::nullopt;
}
