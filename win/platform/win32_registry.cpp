#include "win/platform/win32_registry.h"

#include <windows.h>

#include "win/platform/handles.h"

namespace {

// The key opened for writing its values, created when it is not there.
SystemError SetValue(const std::wstring& key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size) {
    UniqueRegistryKey opened;
    LONG error = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, opened.put(), nullptr);
    if (error == ERROR_SUCCESS) error = ::RegSetValueExW(opened.get(), name.c_str(), 0, type, data, size);
    return static_cast<SystemError>(error);
}

// Windows XP x64 and later; the 32-bit XP, which lacks it, has but the one view.
using RegDeleteKeyExFunction = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);

}  // namespace

SystemError Win32Registry::SetString(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                                     bool expandable) {
    // The size counts the terminating null, which readers of the value expect there.
    const auto size = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return SetValue(key, name, expandable ? REG_EXPAND_SZ : REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), size);
}

SystemError Win32Registry::SetNumber(const std::wstring& key, const std::wstring& name, std::uint32_t value) {
    const DWORD number = value;
    return SetValue(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

SystemError Win32Registry::DeleteKey(const std::wstring& key) {
    const auto deleteKeyEx =
        ProcAddress<RegDeleteKeyExFunction>(::GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW");
    const LONG error = deleteKeyEx != nullptr ? deleteKeyEx(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_64KEY, 0)
                                              : ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
    return static_cast<SystemError>(error);
}
