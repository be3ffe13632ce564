#include "tests/support/wine/wine_prefix.h"

#include "tests/support/wine/spooler_probe.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

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

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (const wchar_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return narrow;
}

[[noreturn]] void Fail(const std::wstring& what, DWORD error = ::GetLastError()) {
    throw std::runtime_error(Narrow(what) + " (error " + std::to_string(error) + ")");
}

class Key {
public:
    Key(HKEY root, const std::wstring& path) {
        const LSTATUS status =
            ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        if (status != ERROR_SUCCESS) Fail(L"cannot create the key " + path, static_cast<DWORD>(status));
    }
    ~Key() { ::RegCloseKey(key_); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    void Set(const wchar_t* name, const std::wstring& value) {
        const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
        Check(::RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes), name);
    }
    void Set(const wchar_t* name, DWORD value) {
        Check(::RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value), name);
    }
    void Remove(const wchar_t* name) { ::RegDeleteValueW(key_, name); }

private:
    static void Check(LSTATUS status, const wchar_t* name) {
        if (status != ERROR_SUCCESS) Fail(std::wstring(L"cannot set the value ") + name, static_cast<DWORD>(status));
    }
    HKEY key_ = nullptr;
};

std::wstring DriverKey(const Environment& environment) {
    return std::wstring(L"System\\CurrentControlSet\\Control\\Print\\Environments\\") + environment.name +
           L"\\Drivers\\Version-3\\" + kTavikDriver;
}

void CreateDirectories(const std::wstring& path) {
    for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
        ::CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    }
    if (!::CreateDirectoryW(path.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        Fail(L"cannot create " + path);
    }
}

std::string Contents(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Test prefixes are copies whose files are hard links to a template: a file is never
// written in place, always removed and created anew, so the template stays as it was.
// A library already there as it should be stays (Wine cannot remove one in use).
void CopyAnew(const std::wstring& from, const std::wstring& to) {
    if (::GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES && Contents(from) == Contents(to)) return;
    ::DeleteFileW(to.c_str());
    if (!::CopyFileW(from.c_str(), to.c_str(), TRUE)) Fail(L"cannot copy " + from + L" to " + to);
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring SystemPath(const std::wstring& fileName) {
    wchar_t directory[MAX_PATH] = {};
    ::GetSystemDirectoryW(directory, MAX_PATH);
    return std::wstring(directory) + L"\\" + fileName;
}

}  // namespace

std::wstring ProgramDirectory() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path, length);
    return directory.substr(0, directory.find_last_of(L'\\'));
}

void RegisterTavikDriver(const std::wstring& libraryFolder) {
    for (const Environment& environment : kEnvironments) {
        const std::wstring versionDirectory = spooler_probe::DriverDirectory(environment.name) + L"\\3";
        CreateDirectories(versionDirectory);
        CopyAnew(libraryFolder + L"\\" + environment.library, versionDirectory + L"\\" + kUiLibrary);

        Key driver(HKEY_LOCAL_MACHINE, DriverKey(environment));
        driver.Set(L"Version", DWORD{3});
        driver.Set(L"Driver", kUiLibrary);
        driver.Set(L"Data File", kUiLibrary);
        driver.Set(L"Configuration File", kUiLibrary);
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
    if (!Exists(original) && Exists(target) && !::MoveFileW(target.c_str(), original.c_str())) {
        Fail(L"cannot move " + target + L" aside");
    }
    CopyAnew(replacement, target);
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
    if (!Exists(original)) return;
    ::DeleteFileW(target.c_str());
    ::MoveFileW(original.c_str(), target.c_str());
}

void SetDllOverride(const std::wstring& library, const std::optional<std::wstring>& loadOrder,
                    const std::wstring& programName) {
    const std::wstring path = programName.empty() ? L"Software\\Wine\\DllOverrides"
                                                  : L"Software\\Wine\\AppDefaults\\" + programName + L"\\DllOverrides";
    Key overrides(HKEY_CURRENT_USER, path);
    if (loadOrder) {
        overrides.Set(library.c_str(), *loadOrder);
    } else {
        overrides.Remove(library.c_str());
    }
}

}  // namespace wine_prefix
