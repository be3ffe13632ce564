#include "core/serial_port.h"

#include <algorithm>
#include <vector>

#include "core/comm_layout.h"
#include "core/serial_tables.h"
#include "core/system_errors.h"

namespace {

namespace L = comm_layout;

struct FlowMasks {
    std::uint32_t cleared;
    std::uint32_t set;
};

// Each mode's two masks together cover the six handshake fields, so the result does
// not depend on what the port had before.
constexpr FlowMasks kFlowMasks[] = {
    {0x232C, 0x1010},  // none: DTR and RTS held on
    {0x202C, 0x1310},  // XON/XOFF both ways, DTR and RTS held on
    {0x1310, 0x202C},  // hardware: CTS and DSR, DTR and RTS by handshake
};

std::uint32_t FailureCode(CommConfigStore& store) {
    const std::uint32_t error = store.LastError();
    // A failure must never read as success to the caller.
    return error == 0 ? kErrorGenFailure : error;
}

}  // namespace

std::uint32_t ConfigureSerialPort(CommConfigStore& store, const SerialSettings& settings,
                                  const std::wstring& portName) {
    std::vector<std::byte> config(L::kConfigSize);
    L::WriteField(config, L::kConfigSizeField, L::kConfigSize);
    std::uint32_t size = L::kConfigSize;

    if (!store.GetDefaultConfig(portName, config, size)) {
        const std::uint32_t error = store.LastError();
        // Ports with provider data need more than the bare record: read again with
        // the size the system asked for, or the settings would never reach them. A size
        // no provider needs is a broken answer, not a reason to claim gigabytes.
        if (error != kErrorInsufficientBuffer || size <= L::kConfigSize || size > kMaxCommConfigSize) {
            return FailureCode(store);
        }
        config.assign(size, std::byte{0});
        L::WriteField(config, L::kConfigSizeField, size);
        if (!store.GetDefaultConfig(portName, config, size)) return FailureCode(store);
    }
    // A read that supplied less than the whole record leaves fields below unread, and
    // writing back that short count would drop the new values while reporting success.
    if (size < L::kConfigSize) return kErrorInvalidData;
    // Written back with the count the read reported, never past our own buffer.
    size = std::min(size, static_cast<std::uint32_t>(config.size()));

    L::WriteField(config, L::kDcbLength, L::kDcbSize);
    auto flags = L::ReadField<std::uint32_t>(config, L::kFlags) | L::kBinary;

    L::WriteField(config, L::kBaudRate, static_cast<std::uint32_t>(std::clamp(settings.baudRate, 300, 128000)));
    L::WriteField(config, L::kByteSize, static_cast<std::uint8_t>(std::clamp(settings.byteSize, 5, 8)));
    L::WriteField(config, L::kStopBits, static_cast<std::uint8_t>(std::clamp(settings.stopBits, 0, 2)));
    L::WriteField(config, L::kParity, static_cast<std::uint8_t>(std::clamp(settings.parity, 0, 4)));

    if (settings.flowControl >= FLOW_NONE && settings.flowControl <= FLOW_HARDWARE) {
        const FlowMasks& masks = kFlowMasks[settings.flowControl];
        flags = (flags & ~masks.cleared) | masks.set;
    }
    L::WriteField(config, L::kFlags, flags);

    if (!store.SetDefaultConfig(portName, config, size)) return FailureCode(store);
    return 0;
}
