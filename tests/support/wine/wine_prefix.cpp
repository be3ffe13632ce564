#include "tests/support/wine/wine_prefix.h"

#include <windows.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "tests/support/wine/spooler_probe.h"

namespace wine_prefix {
namespace {

struct Environment {
    const wchar_t* name;
    const wchar_t* library;  // built for this environment's programs
};

constexpr Environment kEnvironments[] = {
    {L"Windows x64", L"kestrin_tavik_ui64.dll"},
    {L"Windows NT x86", L"kestrin_tavik_ui32.dll"},
};

// The name the driver's files have in the driver directory.
constexpr wchar_t kUiLibrary[] = L"kestrin_tavik_ui.dll";
constexpr wchar_t kOriginalSuffix[] = L".kestrin-original";

[[noreturn]] void Fail(const std::wstring& what, DWORD error = ::GetLastError()) {
    throw std::runtime_error(ToUtf8(what) + " (error " + std::to_string(error) + ")");
}

std::wstring DriverKey(const Environment& environment) {
    return std::wstring(L"System\\CurrentControlSet\\Control\\Print\\Environments\\") + environment.name +
           L"\\Drivers\\Version-3\\" + kDriverModel;
}

std::wstring SystemPath(const std::wstring& fileName) {
    wchar_t directory[MAX_PATH] = {};
    ::GetSystemDirectoryW(directory, MAX_PATH);
    return std::wstring(directory) + L"\\" + fileName;
}

}  // namespace

void RegisterTavikDriver(const std::wstring& libraryFolder) {
    for (const Environment& environment : kEnvironments) {
        const std::wstring versionDirectory = spooler_probe::DriverDirectory(environment.name) + L"\\3";
        std::filesystem::create_directories(std::filesystem::path(versionDirectory));
        const std::wstring library = libraryFolder + L"\\" + environment.library;
        if (!CopyAnew(library, versionDirectory + L"\\" + kUiLibrary)) Fail(L"cannot copy " + library);
        for (const wchar_t* file : {L"Driver", L"Data File", L"Configuration File"}) {
            if (!SetRegistryText(HKEY_LOCAL_MACHINE, DriverKey(environment), file, kUiLibrary)) {
                Fail(L"cannot register " + DriverKey(environment));
            }
        }
    }
}

void UnregisterTavikDriver() {
    for (const Environment& environment : kEnvironments) {
        const LSTATUS status = ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, DriverKey(environment).c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
            Fail(L"cannot remove the driver key " + DriverKey(environment), static_cast<DWORD>(status));
        }
    }
}

ReplacedSystemProgram::ReplacedSystemProgram(std::wstring programName, const std::wstring& replacement)
    : programName_(std::move(programName)) {
    const std::wstring target = SystemPath(programName_);
    const std::wstring original = target + kOriginalSuffix;
    if (!FileExists(original) && FileExists(target) && !::MoveFileW(target.c_str(), original.c_str())) {
        Fail(L"cannot move " + target + L" aside");
    }
    if (!CopyAnew(replacement, target)) Fail(L"cannot copy " + replacement);
    // Wine starts its own form of a system program unless told otherwise.
    SetDllOverride(programName_, L"native");
}

ReplacedSystemProgram::~ReplacedSystemProgram() {
    const std::wstring target = SystemPath(programName_);
    const std::wstring original = target + kOriginalSuffix;
    try {
        SetDllOverride(programName_, std::nullopt);
    } catch (const std::exception&) {
        // A destructor cannot report it; the next replacement sets it again.
    }
    if (!FileExists(original)) return;
    ::DeleteFileW(target.c_str());
    ::MoveFileW(original.c_str(), target.c_str());
}

void SetDllOverride(const std::wstring& library, const std::optional<std::wstring>& loadOrder,
                    const std::wstring& programName) {
    const std::wstring path = programName.empty() ? L"Software\\Wine\\DllOverrides"
                                                  : L"Software\\Wine\\AppDefaults\\" + programName + L"\\DllOverrides";
    if (loadOrder) {
        if (!SetRegistryText(HKEY_CURRENT_USER, path, library, *loadOrder)) Fail(L"cannot set " + path);
        return;
    }
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    ::RegDeleteValueW(key, library.c_str());
    ::RegCloseKey(key);
}

}  // namespace wine_prefix
