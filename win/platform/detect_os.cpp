#include "win/platform/detect_os.h"

#include <windows.h>

#include <optional>

#include "core/os_version.h"
#include "win/platform/system_paths.h"

static_assert(sizeof(OSVERSIONINFOEXW) == 284 && sizeof(OSVERSIONINFOW) == 276);

OsChoice DetectOsIndex() {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    BOOL answered = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
    if (!answered) {
        // Systems that know only the short form leave the product type at 0.
        info = {};
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        answered = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
    }
    std::optional<OsVersion> version;
    if (answered) {
        version = OsVersion{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.wProductType};
    }
    return OsIndexForVersion(version, NativeProcessorArchitecture());
}
