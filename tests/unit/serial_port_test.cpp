#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/comm_layout.h"
#include "core/serial_port.h"
#include "core/serial_tables.h"
#include "core/system_errors.h"
#include "tests/support/fake_system.h"

namespace {

namespace L = comm_layout;

// A stored configuration with every bit and byte set, so that anything the routine
// should leave alone shows if it is touched.
std::vector<std::byte> AllOnes(std::size_t size = L::kConfigSize) {
    return std::vector<std::byte>(size, std::byte{0xFF});
}

struct Written {
    std::uint32_t baud;
    std::uint8_t byteSize;
    std::uint8_t parity;
    std::uint8_t stopBits;
};

Written WrittenValues(const std::vector<std::byte>& config) {
    return {ReadField<std::uint32_t>(config, L::kBaudRate), ReadField<std::uint8_t>(config, L::kByteSize),
            ReadField<std::uint8_t>(config, L::kParity), ReadField<std::uint8_t>(config, L::kStopBits)};
}

// Each parity and stop-bit entry is the platform's code for the name at its position:
// NOPARITY 0, ODDPARITY 1, EVENPARITY 2, MARKPARITY 3, SPACEPARITY 4; ONESTOPBIT 0,
// ONE5STOPBITS 1, TWOSTOPBITS 2.
TEST(SerialTables, EachCodeIsThePlatformsForTheNameAtItsPosition) {
    const std::map<std::wstring_view, std::int32_t> parity = {
        {L"none", 0}, {L"odd", 1}, {L"even", 2}, {L"mark", 3}, {L"space", 4}};
    const std::map<std::wstring_view, std::int32_t> stopBits = {{L"1", 0}, {L"1.5", 1}, {L"2", 2}};
    EXPECT_EQ(std::set(ParityNames.begin(), ParityNames.end()).size(), parity.size());
    EXPECT_EQ(std::set(StopBitsNames.begin(), StopBitsNames.end()).size(), stopBits.size());
    for (std::size_t i = 0; i < ParityTable.size(); ++i) EXPECT_EQ(ParityTable[i], parity.at(ParityNames[i])) << i;
    for (std::size_t i = 0; i < StopBitsTable.size(); ++i) {
        EXPECT_EQ(StopBitsTable[i], stopBits.at(StopBitsNames[i])) << i;
    }
}

TEST(SerialTables, EntryOutsideATableIsNothing) {
    EXPECT_EQ(TableEntry(BaudRateTable, 0), BaudRateTable.front());
    EXPECT_EQ(TableEntry(FlowControlTable, 2), FlowControlTable.back());
    for (const std::int32_t index : {-1, 9, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(TableEntry(BaudRateTable, index), std::nullopt) << index;
    }
}

struct ClampCase {
    SerialSettings in;
    Written out;
};

class SerialClampTest : public testing::TestWithParam<ClampCase> {};

TEST_P(SerialClampTest, WritesValuesWithinTheirRanges) {
    FakeSystem store;
    store.ports[L"COM1"] = AllOnes();
    ASSERT_EQ(ConfigureSerialPort(store, GetParam().in, L"COM1"), 0u);
    const Written w = WrittenValues(store.ports[L"COM1"]);
    const Written& expected = GetParam().out;
    EXPECT_EQ(w.baud, expected.baud);
    EXPECT_EQ(w.byteSize, expected.byteSize);
    EXPECT_EQ(w.parity, expected.parity);
    EXPECT_EQ(w.stopBits, expected.stopBits);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SerialClampTest,
    testing::Values(ClampCase{{19200, 8, 0, 0, 2}, {19200, 8, 0, 0}},  // the record's defaults
                    ClampCase{{0, 4, -1, -1, 0}, {300, 5, 0, 0}}, ClampCase{{-5, 9, 5, 3, 0}, {300, 8, 4, 2}},
                    ClampCase{{200000, 100, 100, 100, 0}, {128000, 8, 4, 2}},
                    ClampCase{{128000, 5, 4, 2, 0}, {128000, 5, 4, 2}}, ClampCase{{300, 7, 3, 1, 0}, {300, 7, 3, 1}},
                    ClampCase{{INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, 0}, {300, 5, 0, 0}},
                    ClampCase{{INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, 0}, {128000, 8, 4, 2}}));

struct FlowCase {
    std::int32_t mode;
    std::uint32_t flagsFromAllOnes;
    std::uint32_t flagsFromZero;
};

class FlowControlTest : public testing::TestWithParam<FlowCase> {};

TEST_P(FlowControlTest, SetsOnlyTheHandshakeFieldsAndBinary) {
    for (const auto& [start, expected] :
         {std::pair{AllOnes(), GetParam().flagsFromAllOnes},
          std::pair{std::vector<std::byte>(L::kConfigSize), GetParam().flagsFromZero}}) {
        FakeSystem store;
        store.ports[L"COM2"] = start;
        ASSERT_EQ(ConfigureSerialPort(store, {9600, 8, 0, 0, GetParam().mode}, L"COM2"), 0u);
        const auto& config = store.ports[L"COM2"];
        EXPECT_EQ(ReadField<std::uint32_t>(config, L::kFlags), expected);
        EXPECT_EQ(ReadField<std::uint32_t>(config, L::kDcbLength), L::kDcbSize);
        // Everything outside the fields the routine owns is as it was read.
        for (std::size_t i = 0; i < config.size(); ++i) {
            const bool owned =
                (i >= L::kDcbLength && i < L::kFlags + 4) || i == L::kByteSize || i == L::kParity || i == L::kStopBits;
            if (!owned) {
                EXPECT_EQ(config[i], start[i]) << "byte " << i;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, FlowControlTest,
                         testing::Values(
                             // none: CTS/DSR off, DTR and RTS enabled, XON/XOFF off
                             FlowCase{FLOW_NONE, ~0x232Cu | 0x1010u, 0x1011u},
                             // XON/XOFF: also fOutX and fInX
                             FlowCase{FLOW_XON_XOFF, ~0x202Cu | 0x1310u, 0x1311u},
                             // hardware: CTS and DSR, DTR and RTS by handshake
                             FlowCase{FLOW_HARDWARE, ~0x1310u | 0x202Cu, 0x202Du},
                             // unknown modes leave the handshake as read
                             FlowCase{3, 0xFFFFFFFFu, 0x1u}, FlowCase{-1, 0xFFFFFFFFu, 0x1u}));

// A failed read writes nothing; a failed write is tried once. Either returns the
// system's error, or a failure of its own when the system gives none.
struct FailureCase {
    const char* name;
    const wchar_t* port;  // COM1 exists
    std::uint32_t failingReads;
    bool writeFails;
    std::uint32_t error;
    std::uint32_t expected;
    std::size_t writes;
};

class FailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(FailureTest, ReturnsTheSystemsErrorAndWritesNothingAfterAFailedRead) {
    const FailureCase& c = GetParam();
    FakeSystem store;
    store.ports[L"COM1"] = AllOnes();
    store.failingReads = c.failingReads;
    store.writeFails = c.writeFails;
    store.commError = c.error;
    EXPECT_EQ(ConfigureSerialPort(store, {9600, 8, 0, 0, 0}, c.port), c.expected);
    EXPECT_EQ(store.commWrites.size(), c.writes);
}

INSTANTIATE_TEST_SUITE_P(Failures, FailureTest,
                         testing::Values(FailureCase{"ReadRefused", L"COM1", 1, false, 5, 5, 0},
                                         FailureCase{"UnknownPort", L"COM9", 0, false, 0, 1010, 0},
                                         FailureCase{"WriteRefused", L"COM1", 0, true, 87, 87, 1},
                                         FailureCase{"WriteRefusedWithoutError", L"COM1", 0, true, 0, 31, 1}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ConfigureSerialPort, PortWithProviderDataIsReadAgainWithTheSizeItNeeds) {
    FakeSystem store;
    store.requiredSize = 80;
    store.ports[L"COM4"] = AllOnes(80);
    ASSERT_EQ(ConfigureSerialPort(store, {57600, 7, 2, 2, FLOW_NONE}, L"COM4"), 0u);
    EXPECT_EQ(store.commReads.size(), 2u);
    EXPECT_EQ(store.commWrites.back().size, 80u);
    const auto& config = store.ports[L"COM4"];
    ASSERT_EQ(config.size(), 80u);
    const Written w = WrittenValues(config);
    EXPECT_EQ(w.baud, 57600u);
    EXPECT_EQ(w.byteSize, 7);
    // The provider data behind the bare record comes back untouched.
    for (std::size_t i = L::kConfigSize; i < config.size(); ++i) EXPECT_EQ(config[i], std::byte{0xFF});
}

// Answers no real port gives, but a broken provider might: each is refused before
// anything is written, rather than written cut short or read into a huge buffer.
struct BrokenAnswerCase {
    const char* name;
    std::size_t stored;          // bytes the port supplies
    std::uint32_t requiredSize;  // bytes it says a read needs
    std::uint32_t expected;
    std::size_t reads;
    std::size_t writes;
};

class BrokenAnswerTest : public testing::TestWithParam<BrokenAnswerCase> {};

TEST_P(BrokenAnswerTest, NeverWritesARecordCutShortOrClaimsHugeBuffers) {
    const BrokenAnswerCase& c = GetParam();
    FakeSystem store;
    store.requiredSize = c.requiredSize;
    store.ports[L"COM2"] = AllOnes(c.stored);
    EXPECT_EQ(ConfigureSerialPort(store, {9600, 8, 0, 0, FLOW_NONE}, L"COM2"), c.expected);
    EXPECT_EQ(store.commReads.size(), c.reads);
    EXPECT_EQ(store.commWrites.size(), c.writes);
    if (c.writes == 1) {
        EXPECT_EQ(store.commWrites[0].size, c.stored);
    } else {
        EXPECT_EQ(store.ports[L"COM2"], AllOnes(c.stored));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, BrokenAnswerTest,
    testing::Values(BrokenAnswerCase{"ReadSuppliesNothing", 0, L::kConfigSize, kErrorInvalidData, 1, 0},
                    BrokenAnswerCase{"ReadSuppliesPartOfTheRecord", 20, L::kConfigSize, kErrorInvalidData, 1, 0},
                    BrokenAnswerCase{"PortAsksForFourGigabytes", L::kConfigSize, 0xFFFFFFFFu, kErrorInsufficientBuffer,
                                     1, 0},
                    BrokenAnswerCase{"PortAsksForJustOverTheLimit", L::kConfigSize, kMaxCommConfigSize + 1,
                                     kErrorInsufficientBuffer, 1, 0},
                    BrokenAnswerCase{"PortAsksForTheLimit", kMaxCommConfigSize, kMaxCommConfigSize, 0, 2, 1}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
