#include "win/platform/win32_comm_config_store.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>

#include "core/comm_layout.h"

namespace {

namespace L = comm_layout;

// ConfigureSerialPort works on bytes at the offsets of comm_layout and relies on every
// other byte being written back as it was read. That holds only while those offsets are
// the platform's own.
static_assert(sizeof(COMMCONFIG) == L::kConfigSize);
static_assert(sizeof(DCB) == L::kDcbSize);
static_assert(offsetof(COMMCONFIG, dwSize) == L::kConfigSizeField);
static_assert(offsetof(COMMCONFIG, dcb) == L::kDcb);
static_assert(L::kDcb + offsetof(DCB, DCBlength) == L::kDcbLength);
static_assert(L::kDcb + offsetof(DCB, BaudRate) == L::kBaudRate);
static_assert(L::kDcb + offsetof(DCB, ByteSize) == L::kByteSize);
static_assert(L::kDcb + offsetof(DCB, Parity) == L::kParity);
static_assert(L::kDcb + offsetof(DCB, StopBits) == L::kStopBits);
// The flag word is the four bytes between BaudRate and wReserved.
static_assert(L::kDcb + offsetof(DCB, BaudRate) + 4 == L::kFlags);
static_assert(offsetof(DCB, wReserved) == L::kFlags - L::kDcb + 4);

// Bit-field positions are the compiler's choice; set each field alone and look at the
// word it lands in.
using DcbBytes = std::array<unsigned char, sizeof(DCB)>;

constexpr std::uint32_t FlagWord(const DCB& dcb) {
    const auto bytes = std::bit_cast<DcbBytes>(dcb);
    constexpr std::size_t at = L::kFlags - L::kDcb;
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

template <typename Set>
constexpr std::uint32_t FlagsWith(Set set) {
    DCB dcb{};
    set(dcb);
    return FlagWord(dcb);
}

static_assert(FlagsWith([](DCB& d) { d.fBinary = 1; }) == L::kBinary);
static_assert(FlagsWith([](DCB& d) { d.fParity = 1; }) == 1u << 1);
static_assert(FlagsWith([](DCB& d) { d.fOutxCtsFlow = 1; }) == L::kOutxCtsFlow);
static_assert(FlagsWith([](DCB& d) { d.fOutxDsrFlow = 1; }) == L::kOutxDsrFlow);
static_assert(FlagsWith([](DCB& d) { d.fDtrControl = 3; }) == 3u << L::kDtrControlShift);
static_assert(FlagsWith([](DCB& d) { d.fDsrSensitivity = 1; }) == 1u << 6);
static_assert(FlagsWith([](DCB& d) { d.fTXContinueOnXoff = 1; }) == 1u << 7);
static_assert(FlagsWith([](DCB& d) { d.fOutX = 1; }) == L::kOutX);
static_assert(FlagsWith([](DCB& d) { d.fInX = 1; }) == L::kInX);
static_assert(FlagsWith([](DCB& d) { d.fErrorChar = 1; }) == 1u << 10);
static_assert(FlagsWith([](DCB& d) { d.fNull = 1; }) == 1u << 11);
static_assert(FlagsWith([](DCB& d) { d.fRtsControl = 3; }) == 3u << L::kRtsControlShift);
static_assert(FlagsWith([](DCB& d) { d.fAbortOnError = 1; }) == 1u << 14);
// The platform's own values for the two two-bit fields, as the flow masks use them.
static_assert(DTR_CONTROL_ENABLE == 1 && DTR_CONTROL_HANDSHAKE == 2);
static_assert(RTS_CONTROL_ENABLE == 1 && RTS_CONTROL_HANDSHAKE == 2);

}  // namespace

bool Win32CommConfigStore::GetDefaultConfig(const std::wstring& portName, std::span<std::byte> config,
                                            std::uint32_t& size) {
    // Never let the system write past the buffer, whatever the caller claims.
    DWORD bytes = std::min<DWORD>(size, static_cast<DWORD>(config.size()));
    const BOOL read = ::GetDefaultCommConfigW(portName.c_str(), reinterpret_cast<LPCOMMCONFIG>(config.data()), &bytes);
    size = bytes;
    return read != FALSE;
}

bool Win32CommConfigStore::SetDefaultConfig(const std::wstring& portName, std::span<const std::byte> config,
                                            std::uint32_t size) {
    const DWORD bytes = std::min<DWORD>(size, static_cast<DWORD>(config.size()));
    // The system only reads the buffer; its declaration just lacks the const.
    auto* data = reinterpret_cast<LPCOMMCONFIG>(const_cast<std::byte*>(config.data()));
    return ::SetDefaultCommConfigW(portName.c_str(), data, bytes) != FALSE;
}

std::uint32_t Win32CommConfigStore::LastError() {
    return ::GetLastError();
}
