#include "win/platform/os_detection.h"

#include <windows.h>

#include <optional>

#include "core/architecture.h"
#include "win/platform/system_paths.h"

static_assert(sizeof(OSVERSIONINFOEXW) == 284 && sizeof(OSVERSIONINFOW) == 276);
static_assert(PROCESSOR_ARCHITECTURE_INTEL == kArchitectureIntel && PROCESSOR_ARCHITECTURE_IA64 == kArchitectureIa64 &&
              PROCESSOR_ARCHITECTURE_AMD64 == kArchitectureAmd64);

std::optional<OsVersion> QueryOsVersion() {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    BOOL answered = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
    if (!answered) {
        // Systems that know only the short form leave the product type at 0.
        info = {};
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        answered = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
    }
    if (!answered) return std::nullopt;
    return OsVersion{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.wProductType};
}

std::uint16_t NativeProcessorArchitecture() {
    using GetNativeSystemInfoFunction = void(WINAPI*)(LPSYSTEM_INFO);
    SYSTEM_INFO info{};
    if (const auto getNative = ProcAddress<GetNativeSystemInfoFunction>(Kernel32(), "GetNativeSystemInfo")) {
        getNative(&info);
    } else {
        ::GetSystemInfo(&info);
    }
    return info.wProcessorArchitecture;
}

bool RunsUnderWow64() {
    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = ProcAddress<IsWow64ProcessFunction>(Kernel32(), "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 != nullptr && isWow64(::GetCurrentProcess(), &wow64) && wow64;
}

OsChoice DetectOsIndex() {
    return OsIndexForVersion(QueryOsVersion(), NativeProcessorArchitecture());
}
