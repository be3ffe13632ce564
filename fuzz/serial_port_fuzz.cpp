// Whatever the port held and whatever values the record carries, the routine changes
// only the line fields it owns, keeps each within its range, and never reports a write
// that did not happen.

#include <algorithm>

#include "core/serial_port.h"
#include "fuzz/fuzz_comm_store.h"
#include "fuzz/fuzz_input.h"

namespace {

namespace L = comm_layout;

bool OwnedByTheRoutine(std::size_t offset) {
    const auto within = [offset](std::size_t field, std::size_t size) {
        return offset >= field && offset < field + size;
    };
    return within(L::kDcbLength, 4) || within(L::kBaudRate, 4) || within(L::kFlags, 4) || offset == L::kByteSize ||
           offset == L::kParity || offset == L::kStopBits;
}

constexpr std::uint32_t kDtrControl = 3u << L::kDtrControlShift;
constexpr std::uint32_t kRtsControl = 3u << L::kRtsControlShift;
constexpr std::uint32_t kHandshake = L::kOutxCtsFlow | L::kOutxDsrFlow | kDtrControl | L::kOutX | L::kInX | kRtsControl;

struct Handshake {
    bool cts, dsr;
    std::uint32_t dtr;
    bool outX, inX;
    std::uint32_t rts;
};

Handshake HandshakeOf(std::uint32_t flags) {
    return {
        (flags & L::kOutxCtsFlow) != 0, (flags & L::kOutxDsrFlow) != 0, (flags & kDtrControl) >> L::kDtrControlShift,
        (flags & L::kOutX) != 0,        (flags & L::kInX) != 0,         (flags & kRtsControl) >> L::kRtsControlShift};
}

bool operator==(const Handshake& a, const Handshake& b) {
    return a.cts == b.cts && a.dsr == b.dsr && a.dtr == b.dtr && a.outX == b.outX && a.inX == b.inX && a.rts == b.rts;
}

// What each mode means on the line, written out field by field rather than as masks.
constexpr Handshake kModes[] = {
    {false, false, 1, false, false, 1},  // none: DTR and RTS held on
    {false, false, 1, true, true, 1},    // XON/XOFF both ways, DTR and RTS held on
    {true, true, 2, false, false, 2},    // hardware: CTS and DSR, DTR and RTS by handshake
};

void CheckWritten(const std::vector<std::byte>& before, const FuzzCommStore::Write& write,
                  const SerialSettings& settings) {
    // A record cut short would be read back with fields the routine never wrote.
    FUZZ_CHECK(write.size >= L::kConfigSize);
    FUZZ_CHECK(write.size <= before.size());
    const std::vector<std::byte>& after = write.bytes;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (!OwnedByTheRoutine(i)) FUZZ_CHECK(after[i] == before[i]);
    }

    FUZZ_CHECK(L::ReadField<std::uint32_t>(after, L::kDcbLength) == L::kDcbSize);
    const auto baud = L::ReadField<std::uint32_t>(after, L::kBaudRate);
    FUZZ_CHECK(baud >= 300 && baud <= 128000);
    FUZZ_CHECK(static_cast<std::int64_t>(baud) == std::clamp<std::int64_t>(settings.baudRate, 300, 128000));
    const auto byteSize = L::ReadField<std::uint8_t>(after, L::kByteSize);
    FUZZ_CHECK(byteSize >= 5 && byteSize <= 8);
    FUZZ_CHECK(byteSize == std::clamp(settings.byteSize, 5, 8));
    const auto parity = L::ReadField<std::uint8_t>(after, L::kParity);
    FUZZ_CHECK(parity <= 4 && parity == std::clamp(settings.parity, 0, 4));
    const auto stopBits = L::ReadField<std::uint8_t>(after, L::kStopBits);
    FUZZ_CHECK(stopBits <= 2 && stopBits == std::clamp(settings.stopBits, 0, 2));

    const auto flagsBefore = L::ReadField<std::uint32_t>(before, L::kFlags);
    const auto flagsAfter = L::ReadField<std::uint32_t>(after, L::kFlags);
    FUZZ_CHECK((flagsAfter & L::kBinary) != 0);
    // Parity checking, DSR sensitivity, error replacement and the rest stay as read.
    FUZZ_CHECK((flagsAfter & ~(kHandshake | L::kBinary)) == (flagsBefore & ~(kHandshake | L::kBinary)));
    if (settings.flowControl >= 0 && settings.flowControl <= 2) {
        FUZZ_CHECK(HandshakeOf(flagsAfter) == kModes[settings.flowControl]);
    } else {
        FUZZ_CHECK(HandshakeOf(flagsAfter) == HandshakeOf(flagsBefore));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    SerialSettings settings;
    settings.baudRate = input.Take<std::int32_t>();
    settings.byteSize = input.Take<std::int32_t>();
    settings.parity = input.Take<std::int32_t>();
    settings.stopBits = input.Take<std::int32_t>();
    settings.flowControl = input.Take<std::int32_t>();
    FuzzCommStore store;
    store.TakeBehaviour(input);
    store.SetStored(input.TakeRest());

    const std::uint32_t result = ConfigureSerialPort(store, settings, L"COM1");

    const auto& reads = store.reads();
    const auto& writes = store.writes();
    FUZZ_CHECK(!reads.empty() && reads.size() <= 2);
    // A second read only to give a port the room it asked for.
    if (reads.size() == 2) {
        FUZZ_CHECK(!reads[0].ok && reads[0].sizeOut > reads[0].sizeIn);
        FUZZ_CHECK(reads[1].sizeIn >= reads[0].sizeOut);
    }
    for (const auto& read : reads) FUZZ_CHECK(read.port == L"COM1");
    FUZZ_CHECK(writes.size() <= 1);

    if (writes.empty()) {
        FUZZ_CHECK(result != 0);
        if (!reads.back().ok && store.errorCode() != 0 && reads.back().sizeOut <= reads.back().sizeIn) {
            FUZZ_CHECK(result == store.errorCode());
        }
        return 0;
    }

    FUZZ_CHECK(reads.back().ok);
    FUZZ_CHECK(writes[0].port == L"COM1");
    CheckWritten(reads.back().after, writes[0], settings);
    if (writes[0].ok) {
        FUZZ_CHECK(result == 0);
    } else {
        FUZZ_CHECK(result != 0);
        if (store.errorCode() != 0) FUZZ_CHECK(result == store.errorCode());
    }
    return 0;
}
