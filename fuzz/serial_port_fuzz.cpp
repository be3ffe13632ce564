// Whatever the port held and whatever values the record carries, the routine changes
// only the line fields it owns, keeps each within its range, and never reports a write
// that did not happen.

#include <algorithm>

#include "core/comm_layout.h"
#include "core/serial_port.h"
#include "core/system_errors.h"
#include "fuzz/fuzz_input.h"
#include "tests/support/fake_system.h"

namespace {

namespace L = comm_layout;

bool OwnedByTheRoutine(std::size_t offset) {
    const auto within = [offset](std::size_t field, std::size_t size) {
        return offset >= field && offset < field + size;
    };
    return within(L::kDcbLength, 4) || within(L::kBaudRate, 4) || within(L::kFlags, 4) || offset == L::kByteSize ||
           offset == L::kParity || offset == L::kStopBits;
}

// The two-bit DTR and RTS control fields: 1 holds the line on, 2 hands it to the handshake.
constexpr std::uint32_t Dtr(std::uint32_t mode) {
    return mode << L::kDtrControlShift;
}
constexpr std::uint32_t Rts(std::uint32_t mode) {
    return mode << L::kRtsControlShift;
}
constexpr std::uint32_t kHandshake = L::kOutxCtsFlow | L::kOutxDsrFlow | Dtr(3) | L::kOutX | L::kInX | Rts(3);

// What each mode means on the line, field by field.
constexpr std::uint32_t kModes[] = {
    Dtr(1) | Rts(1),                                      // none: DTR and RTS held on
    Dtr(1) | Rts(1) | L::kOutX | L::kInX,                 // XON/XOFF both ways, DTR and RTS held on
    L::kOutxCtsFlow | L::kOutxDsrFlow | Dtr(2) | Rts(2),  // hardware: CTS and DSR, DTR and RTS by handshake
};

void CheckWritten(const std::vector<std::byte>& before, const FakeSystem::CommWrite& write,
                  const SerialSettings& settings) {
    // Never more than the buffer handed over, and never a record cut short, which would
    // be read back with fields the routine never wrote.
    FUZZ_CHECK(write.bytes.size() == write.size);
    FUZZ_CHECK(write.size >= L::kConfigSize);
    FUZZ_CHECK(write.size <= before.size());
    const std::vector<std::byte>& after = write.bytes;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (!OwnedByTheRoutine(i)) FUZZ_CHECK(after[i] == before[i]);
    }

    // Each value as asked for, brought within its range.
    FUZZ_CHECK(L::ReadField<std::uint32_t>(after, L::kDcbLength) == L::kDcbSize);
    FUZZ_CHECK(L::ReadField<std::uint32_t>(after, L::kBaudRate) ==
               static_cast<std::uint32_t>(std::clamp(settings.baudRate, 300, 128000)));
    FUZZ_CHECK(L::ReadField<std::uint8_t>(after, L::kByteSize) == std::clamp(settings.byteSize, 5, 8));
    FUZZ_CHECK(L::ReadField<std::uint8_t>(after, L::kParity) == std::clamp(settings.parity, 0, 4));
    FUZZ_CHECK(L::ReadField<std::uint8_t>(after, L::kStopBits) == std::clamp(settings.stopBits, 0, 2));

    const auto flagsBefore = L::ReadField<std::uint32_t>(before, L::kFlags);
    const auto flagsAfter = L::ReadField<std::uint32_t>(after, L::kFlags);
    FUZZ_CHECK((flagsAfter & L::kBinary) != 0);
    // Parity checking, DSR sensitivity, error replacement and the rest stay as read.
    FUZZ_CHECK((flagsAfter & ~(kHandshake | L::kBinary)) == (flagsBefore & ~(kHandshake | L::kBinary)));
    const bool knownMode = settings.flowControl >= 0 && settings.flowControl <= 2;
    FUZZ_CHECK((flagsAfter & kHandshake) ==
               (knownMode ? kModes[static_cast<std::size_t>(settings.flowControl)] : flagsBefore & kHandshake));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    SerialSettings settings;
    for (std::int32_t* field :
         {&settings.baudRate, &settings.byteSize, &settings.parity, &settings.stopBits, &settings.flowControl}) {
        *field = input.Take<std::int32_t>();
    }
    FakeSystem port;
    TakePortAnswers(input, port, L"COM1");

    const std::uint32_t result = ConfigureSerialPort(port, settings, L"COM1");

    for (const auto& call : port.calls) {
        FUZZ_CHECK(call == L"GetDefaultCommConfig COM1" || call == L"SetDefaultCommConfig COM1");
    }
    const auto& reads = port.commReads;
    const auto& writes = port.commWrites;
    FUZZ_CHECK(!reads.empty() && reads.size() <= 2 && writes.size() <= 1);
    // The system fills as many bytes as it is told the buffer holds.
    for (const auto& read : reads) FUZZ_CHECK(read.sizeIn <= read.buffer.size());
    // A second read only to give a port the room it asked for.
    if (reads.size() == 2) {
        FUZZ_CHECK(!reads[0].ok && reads[0].sizeOut > reads[0].sizeIn);
        FUZZ_CHECK(reads[1].sizeIn >= reads[0].sizeOut);
    }

    if (writes.empty()) {
        FUZZ_CHECK(result != 0);
        if (!reads.back().ok && port.commError != 0 && reads.back().sizeOut <= reads.back().sizeIn) {
            FUZZ_CHECK(result == port.commError);
        }
        return 0;
    }

    FUZZ_CHECK(reads.back().ok);
    CheckWritten(reads.back().buffer, writes[0], settings);
    FUZZ_CHECK(port.writeFails ? result != 0 : result == 0);
    if (port.writeFails && port.commError != 0) FUZZ_CHECK(result == port.commError);
    return 0;
}
