#pragma once

#include <cstdint>

// The system's error numbers that the core tells apart (GetLastError values).
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidData = 13;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
// A file whose owner the run does not trust (ERROR_INVALID_OWNER).
inline constexpr std::uint32_t kErrorInvalidOwner = 1307;
inline constexpr std::uint32_t kErrorBadKey = 1010;  // a COM port the system does not know
inline constexpr std::uint32_t kErrorUnknownPort = 1796;
inline constexpr std::uint32_t kErrorUnknownPrinterDriver = 1797;
inline constexpr std::uint32_t kErrorInvalidPrinterName = 1801;  // also: no printer of that name
inline constexpr std::uint32_t kErrorPrinterAlreadyExists = 1802;
inline constexpr std::uint32_t kErrorPrinterDriverInUse = 3001;
