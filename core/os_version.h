#pragma once

#include <cstdint>
#include <optional>

#include "core/install_settings.h"

// What the system's version query reports, as far as the operating-system choice needs it.
struct OsVersion {
    std::uint32_t platformId = 0;
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint8_t productType = 0;  // 0 when only the short form of the query answered
};

inline constexpr std::uint32_t kPlatformWin32Nt = 2;
inline constexpr std::uint8_t kNtWorkstation = 1;

// The operating-system choice for a version, or for no answer at all (nullopt). The
// native architecture tells 64-bit XP from Server 2003, which share version 5.2.
OsChoice OsIndexForVersion(const std::optional<OsVersion>& version, std::uint16_t nativeArchitecture);
