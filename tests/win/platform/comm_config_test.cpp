#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/serial_port.h"
#include "core/serial_tables.h"
#include "tests/win/platform/dcb_text.h"
#include "tests/win/platform/platform_support.h"
#include "win/platform/win32_comm_config_store.h"

namespace {

// What a port holds before the installer writes it: every field the routine must leave
// alone set to something a default never has, and the handshake the opposite of what
// any mode writes.
DCB Unusual(const DCB& stored) {
    DCB dcb = stored;
    dcb.fBinary = 0;
    dcb.fParity = 1;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 1;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = 1;
    dcb.fTXContinueOnXoff = 1;
    dcb.fOutX = 1;
    dcb.fInX = 0;
    dcb.fErrorChar = 1;
    dcb.fNull = 1;
    dcb.fRtsControl = RTS_CONTROL_TOGGLE;
    dcb.fAbortOnError = 1;
    dcb.XonLim = 0x1234;
    dcb.XoffLim = 0x2345;
    dcb.XonChar = 0x15;
    dcb.XoffChar = 0x16;
    dcb.ErrorChar = '?';
    dcb.EofChar = 0x1A;
    dcb.EvtChar = '~';
    return dcb;
}

// The installer's settings applied to `before`, written out with the platform's own
// field names rather than the byte layout the routine uses.
DCB Applied(DCB dcb, const SerialSettings& s) {
    dcb.DCBlength = sizeof(DCB);
    dcb.fBinary = 1;
    dcb.BaudRate = static_cast<DWORD>(s.baudRate);
    dcb.ByteSize = static_cast<BYTE>(s.byteSize);
    dcb.Parity = static_cast<BYTE>(s.parity);
    dcb.StopBits = static_cast<BYTE>(s.stopBits);
    const bool hardware = s.flowControl == FLOW_HARDWARE;
    const bool software = s.flowControl == FLOW_XON_XOFF;
    dcb.fOutxCtsFlow = hardware;
    dcb.fOutxDsrFlow = hardware;
    dcb.fDtrControl = hardware ? DTR_CONTROL_HANDSHAKE : DTR_CONTROL_ENABLE;
    dcb.fRtsControl = hardware ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fOutX = software;
    dcb.fInX = software;
    return dcb;
}

struct PortCase {
    const wchar_t* port;
    SerialSettings settings;
};

// Every port different in every value the installer writes.
const PortCase kPorts[] = {
    {L"COM1", {1200, 7, EVENPARITY, ONESTOPBIT, FLOW_NONE}},
    {L"COM2", {9600, 8, NOPARITY, ONESTOPBIT, FLOW_HARDWARE}},
    {L"COM3", {57600, 6, ODDPARITY, TWOSTOPBITS, FLOW_XON_XOFF}},
    {L"COM4", {115200, 5, MARKPARITY, ONE5STOPBITS, FLOW_HARDWARE}},
};

COMMCONFIG StoredConfig(const wchar_t* port) {
    COMMCONFIG config{};
    DWORD size = sizeof config;
    config.dwSize = size;
    EXPECT_TRUE(::GetDefaultCommConfigW(port, &config, &size)) << "error " << ::GetLastError();
    return config;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(SerialPorts, EachComPortKeepsItsOwnSettingsForTheNextProcess) {
    Win32CommConfigStore store;
    std::vector<std::string> expected;
    for (const PortCase& c : kPorts) {
        COMMCONFIG config = StoredConfig(c.port);
        config.dcb = Unusual(config.dcb);
        ASSERT_TRUE(::SetDefaultCommConfigW(c.port, &config, sizeof config)) << "error " << ::GetLastError();
        expected.push_back(DcbText(Applied(config.dcb, c.settings)));

        EXPECT_EQ(ConfigureSerialPort(store, c.settings, c.port), 0u);
    }

    const ScratchDirectory scratch;
    const std::wstring output = scratch.File(L"ports.txt");
    ASSERT_EQ(RunChild(L"--child-read-comm " + Quoted(output) + L" COM1 COM2 COM3 COM4"), 0);
    EXPECT_EQ(Lines(FileBytes(output).value_or("")), expected);
}

// Counts what reaches the system, so a write that should not happen shows.
class CountingStore final : public CommConfigStore {
public:
    bool GetDefaultConfig(const std::wstring& port, std::span<std::byte> config, std::uint32_t& size) override {
        return real_.GetDefaultConfig(port, config, size);
    }
    bool SetDefaultConfig(const std::wstring& port, std::span<const std::byte> config, std::uint32_t size) override {
        ++writes;
        return real_.SetDefaultConfig(port, config, size);
    }
    std::uint32_t LastError() override { return real_.LastError(); }
    int writes = 0;

private:
    Win32CommConfigStore real_;
};

class UnknownPortTest : public testing::TestWithParam<const wchar_t*> {};

TEST_P(UnknownPortTest, ReturnsThePlatformsErrorAndWritesNothing) {
    COMMCONFIG config{};
    DWORD size = sizeof config;
    config.dwSize = size;
    ::SetLastError(0xdeadbeef);
    ASSERT_FALSE(::GetDefaultCommConfigW(GetParam(), &config, &size));
    const DWORD platformError = ::GetLastError();
    ASSERT_NE(platformError, 0u);
    ASSERT_NE(platformError, 0xdeadbeefu);

    CountingStore store;
    EXPECT_EQ(ConfigureSerialPort(store, {9600, 8, NOPARITY, ONESTOPBIT, FLOW_NONE}, GetParam()), platformError);
    EXPECT_EQ(store.writes, 0);
    size = sizeof config;
    EXPECT_FALSE(::GetDefaultCommConfigW(GetParam(), &config, &size));
}

INSTANTIATE_TEST_SUITE_P(Ports, UnknownPortTest, testing::Values(L"COM10", L"XYZ", L"COM1:"));

}  // namespace
