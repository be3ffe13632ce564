#pragma once

#include <cstdint>

// The system's error numbers that the core tells apart (GetLastError values).
inline constexpr std::uint32_t kErrorInvalidData = 13;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
