#include "core/os_version.h"

#include "core/architecture.h"

OsChoice OsIndexForVersion(const std::optional<OsVersion>& version, std::uint16_t nativeArchitecture) {
    // With no answer at all the first choice is offered rather than "unrecognised".
    if (!version) return OsChoice::Windows2000;
    if (version->platformId != kPlatformWin32Nt) return OsChoice::Unrecognised;

    const bool workstation = version->productType == kNtWorkstation;
    switch (version->majorVersion) {
        case 5:
            switch (version->minorVersion) {
                case 0:
                    return OsChoice::Windows2000;
                case 1:
                    return OsChoice::WindowsXp;
                case 2:
                    return workstation && nativeArchitecture == kArchitectureAmd64 ? OsChoice::WindowsXp
                                                                                   : OsChoice::Windows2003;
                default:
                    return OsChoice::Unrecognised;
            }
        case 6:
            switch (version->minorVersion) {
                case 0:
                    return OsChoice::WindowsVista;
                case 1:
                    return OsChoice::Windows7;
                // Without a supported-OS manifest entry every later release reports 6.2:
                // its workstations are offered Windows 8, its servers the first choice.
                default:
                    return workstation ? OsChoice::Windows8 : OsChoice::Windows2000;
            }
        default:
            return OsChoice::Unrecognised;
    }
}
