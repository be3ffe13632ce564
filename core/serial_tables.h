#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// Serial line values, in the order the settings page lists them: a list position is an
// index into the matching table. The ports are in core/ports.h.

// The table entry at a stored index, or nothing when the index lies outside the table.
template <typename T, std::size_t N>
constexpr std::optional<T> TableEntry(const std::array<T, N>& table, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= N) return std::nullopt;
    return table[static_cast<std::size_t>(index)];
}

inline constexpr std::array<std::int32_t, 9> BaudRateTable = {300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
inline constexpr std::array<std::int32_t, 4> ByteSizeTable = {5, 6, 7, 8};

// Platform stop-bit codes: ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS; and how the settings
// page lists them.
inline constexpr std::array<std::int32_t, 3> StopBitsTable = {0, 1, 2};
inline constexpr std::array<std::wstring_view, 3> StopBitsNames = {L"1", L"1.5", L"2"};

// Platform parity codes in list order: none, even, odd, space, mark; and the names the
// unattended options give them.
inline constexpr std::array<std::int32_t, 5> ParityTable = {0, 2, 1, 4, 3};
inline constexpr std::array<std::wstring_view, 5> ParityNames = {L"none", L"even", L"odd", L"space", L"mark"};

enum FlowControl : std::int32_t {
    FLOW_NONE = 0,
    FLOW_XON_XOFF = 1,
    FLOW_HARDWARE = 2,
};
inline constexpr std::array<std::int32_t, 3> FlowControlTable = {FLOW_NONE, FLOW_XON_XOFF, FLOW_HARDWARE};
inline constexpr std::array<std::wstring_view, 3> FlowControlNames = {L"none", L"xonxoff", L"hardware"};
