#include "win/platform/detect_os.h"

#include <windows.h>

#include <optional>

#include "win/platform/system_paths.h"

static_assert(sizeof(OSVERSIONINFOEXW) == 284 && sizeof(OSVERSIONINFOW) == 276);

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

OsChoice DetectOsIndex() {
    return OsIndexForVersion(QueryOsVersion(), NativeProcessorArchitecture());
}
