#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/fake_system.h"
#include "tests/support/machine_ports.h"
#include "tests/win/platform/platform_support.h"
#include "win/platform/win32_install_system.h"
#include "win/platform/win32_spooler.h"

void PrintTo(const UsbPrinterPort& p, std::ostream* out) {
    *out << "{" << testing::PrintToString(p.port) << ", " << testing::PrintToString(p.ids) << "}";
}

namespace {

using machine_ports::UsbPrinter;

std::vector<std::wstring> SpoolerPorts(Win32Spooler& spooler) {
    SystemError error = 0;
    const std::optional<std::vector<std::wstring>> ports = spooler.Ports(error);
    EXPECT_TRUE(ports.has_value()) << "error " << error;
    return ports.value_or(std::vector<std::wstring>{});
}

// The unit tests' fake starts from what the test prefix's spooler lists.
TEST(SpoolerPorts, AreThoseOfTheFakeInTheTestPrefix) {
    Win32Spooler spooler;
    EXPECT_EQ(SpoolerPorts(spooler), FakeSystem{}.spoolerPorts);
}

// A port added to the list, and taken out again, is seen by the same spooler object:
// the list is asked for afresh each time.
class SpoolerPortTest : public testing::TestWithParam<const wchar_t*> {};

TEST_P(SpoolerPortTest, IsListedWhileTheListHoldsIt) {
    Win32Spooler spooler;
    const std::vector<std::wstring> before = SpoolerPorts(spooler);
    ASSERT_TRUE(machine_ports::AddPort(GetParam()));
    const std::vector<std::wstring> with = SpoolerPorts(spooler);
    EXPECT_EQ(std::count(with.begin(), with.end(), GetParam()), 1);
    EXPECT_EQ(with.size(), before.size() + 1);
    ASSERT_TRUE(machine_ports::RemovePort(GetParam()));
    EXPECT_EQ(SpoolerPorts(spooler), before);
}

INSTANTIATE_TEST_SUITE_P(Names, SpoolerPortTest, testing::Values(L"COM7:", L"USB003", L"LPT4:"));

// A USB printer as the system's device list has it, and what the list read back gives.
// Each case registers a model of its own; `change` then spoils what a case is about.
struct UsbCase {
    const char* name;
    unsigned number;
    std::vector<std::wstring> ids;
    void (*change)(const UsbPrinter&);
    std::optional<UsbPrinterPort> expected;  // none: the device is not listed
};

void Set(const std::wstring& key, const wchar_t* name, DWORD type, const std::wstring& data, std::size_t bytes) {
    ASSERT_TRUE(SetRegistryData(HKEY_LOCAL_MACHINE, key, name, type, data.data(), static_cast<DWORD>(bytes)));
}

const UsbCase kUsbCases[] = {
    {"TwoHardwareIds",
     2,
     {L"USBPRINT\\TavikTK10DEAD", L"USBPRINT\\TavikTK10"},
     [](const UsbPrinter&) {},
     UsbPrinterPort{L"USB002", {L"USBPRINT\\TavikTK10DEAD", L"USBPRINT\\TavikTK10"}}},
    {"ThreeDigitNumber",
     123,
     {L"USBPRINT\\Other123"},
     [](const UsbPrinter&) {},
     UsbPrinterPort{L"USB123", {L"USBPRINT\\Other123"}}},
    {"CompatibleIdsAfterHardwareIds",
     4,
     {L"USBPRINT\\Compat"},
     [](const UsbPrinter& p) {
         const std::wstring ids = std::wstring(L"USBPRINT\\GENERIC") + L'\0' + L"GENPRINTER" + L'\0' + L'\0';
         Set(p.deviceKey, L"CompatibleIDs", REG_MULTI_SZ, ids, ids.size() * sizeof(wchar_t));
     },
     UsbPrinterPort{L"USB004", {L"USBPRINT\\Compat", L"USBPRINT\\GENERIC", L"GENPRINTER"}}},
    // IDs whose list ends without its two terminators, the last character cut in half.
    {"IdsWithoutTerminators",
     5,
     {L"USBPRINT\\Cut"},
     [](const UsbPrinter& p) {
         const std::wstring ids = std::wstring(L"USBPRINT\\Cut") + L'\0' + L"CUTX";
         Set(p.deviceKey, L"HardwareID", REG_MULTI_SZ, ids, (ids.size() - 1) * sizeof(wchar_t) + 1);
     },
     UsbPrinterPort{L"USB005", {L"USBPRINT\\Cut", L"CUT"}}},
    {"BaseNameWithoutTerminator",
     6,
     {L"USBPRINT\\Unterminated"},
     [](const UsbPrinter& p) { Set(p.portKey, L"Base Name", REG_SZ, L"USBX", 3 * sizeof(wchar_t)); },
     UsbPrinterPort{L"USB006", {L"USBPRINT\\Unterminated"}}},
    {"NotPresent",
     7,
     {L"USBPRINT\\Unplugged"},
     [](const UsbPrinter& p) { ASSERT_TRUE(DeleteRegistryValue(HKEY_LOCAL_MACHINE, p.controlKey, L"Linked")); },
     std::nullopt},
    {"PortNumberAsText",
     8,
     {L"USBPRINT\\TextNumber"},
     [](const UsbPrinter& p) { Set(p.portKey, L"Port Number", REG_SZ, L"8", 2 * sizeof(wchar_t)); },
     std::nullopt},
    {"NoBaseName",
     9,
     {L"USBPRINT\\Nameless"},
     [](const UsbPrinter& p) { ASSERT_TRUE(DeleteRegistryValue(HKEY_LOCAL_MACHINE, p.portKey, L"Base Name")); },
     std::nullopt},
};

void PrintTo(const UsbCase& c, std::ostream* out) {
    *out << c.name;
}

class UsbPrinterPortTest : public testing::TestWithParam<UsbCase> {};

TEST_P(UsbPrinterPortTest, IsListedWithItsPortAndIdsWhenItCanBeNamed) {
    const UsbCase& c = GetParam();
    const UsbPrinter registered = machine_ports::RegisterUsbPrinter(c.number, c.ids);
    c.change(registered);

    Win32SystemInfo system;
    const std::vector<UsbPrinterPort> ports = system.UsbPrinterPorts();
    // Earlier cases' printers stay registered; this one is told by its first ID.
    const auto found = std::find_if(ports.begin(), ports.end(),
                                    [&](const UsbPrinterPort& p) { return !p.ids.empty() && p.ids[0] == c.ids[0]; });
    EXPECT_EQ(found == ports.end() ? std::nullopt : std::optional(*found), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Devices, UsbPrinterPortTest, testing::ValuesIn(kUsbCases),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
