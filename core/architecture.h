#pragma once

#include <cstdint>

// Processor architectures as the system reports them (wProcessorArchitecture of the
// native system).
inline constexpr std::uint16_t kArchitectureIntel = 0;
inline constexpr std::uint16_t kArchitectureIa64 = 6;
inline constexpr std::uint16_t kArchitectureAmd64 = 9;
inline constexpr std::uint16_t kArchitectureArm64 = 12;

// The architectures of 64-bit Windows.
constexpr bool Is64BitArchitecture(std::uint16_t architecture) {
    return architecture == kArchitectureAmd64 || architecture == kArchitectureIa64 ||
           architecture == kArchitectureArm64;
}
