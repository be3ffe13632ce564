#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

// Byte layout of the platform's COMMCONFIG with its DCB, as the comm-configuration
// calls read and write it. The Windows build checks these against the real structures.
namespace comm_layout {
inline constexpr std::uint32_t kConfigSize = 52;  // COMMCONFIG
inline constexpr std::uint32_t kDcbSize = 28;     // DCB
inline constexpr std::size_t kConfigSizeField = 0;
inline constexpr std::size_t kDcb = 8;
inline constexpr std::size_t kDcbLength = kDcb + 0;
inline constexpr std::size_t kBaudRate = kDcb + 4;
inline constexpr std::size_t kFlags = kDcb + 8;
inline constexpr std::size_t kByteSize = kDcb + 18;
inline constexpr std::size_t kParity = kDcb + 19;
inline constexpr std::size_t kStopBits = kDcb + 20;

// Flag word bits.
inline constexpr std::uint32_t kBinary = 1u << 0;
inline constexpr std::uint32_t kOutxCtsFlow = 1u << 2;
inline constexpr std::uint32_t kOutxDsrFlow = 1u << 3;
inline constexpr std::uint32_t kDtrControlShift = 4;  // two bits
inline constexpr std::uint32_t kOutX = 1u << 8;
inline constexpr std::uint32_t kInX = 1u << 9;
inline constexpr std::uint32_t kRtsControlShift = 12;  // two bits

// Fields are read and written byte-wise: the record need not be aligned for them.
template <typename T>
T ReadField(std::span<const std::byte> config, std::size_t offset) {
    T value{};
    std::memcpy(&value, config.data() + offset, sizeof value);
    return value;
}

template <typename T>
void WriteField(std::span<std::byte> config, std::size_t offset, T value) {
    std::memcpy(config.data() + offset, &value, sizeof value);
}
}  // namespace comm_layout
