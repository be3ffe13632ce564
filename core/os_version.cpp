#include "pages/os_version.h"

std::int32_t OsIndexForVersion(const std::optional<OsVersion>& version, std::uint16_t nativeArchitecture) {
    // With no answer at all the first choice is offered rather than "unrecognised".
    if (!version) return 0;
    if (version->platformId != kPlatformWin32Nt) return -1;

    const bool workstation = version->productType == kNtWorkstation;
    switch (version->majorVersion) {
        case 5:
            switch (version->minorVersion) {
                case 0:
                    return 0;
                case 1:
                    return 1;
                case 2:
                    return workstation && nativeArchitecture == kArchitectureAmd64 ? 1 : 2;
                default:
                    return -1;
            }
        case 6:
            switch (version->minorVersion) {
                case 0:
                    return 3;
                case 1:
                    return 4;
                // Without a supported-OS manifest entry every later release reports 6.2:
                // its workstations are offered Windows 8, its servers the first choice.
                default:
                    return workstation ? 5 : 0;
            }
        default:
            return -1;
    }
}
