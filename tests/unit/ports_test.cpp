#include "core/ports.h"
#include "core/port_choice.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

struct NameCase {
    const wchar_t* written;
    std::optional<std::wstring> spoolerName;
};

class PortNames : public testing::TestWithParam<NameCase> {};

TEST_P(PortNames, AreTheSpoolersOrNone) {
    EXPECT_EQ(SpoolerPortName(GetParam().written), GetParam().spoolerName);
}

INSTANTIATE_TEST_SUITE_P(Forms, PortNames,
                         testing::Values(NameCase{L"COM7", L"COM7:"}, NameCase{L"com7:", L"COM7:"},
                                         NameCase{L"COM10", L"COM10:"}, NameCase{L"COM999", L"COM999:"},
                                         NameCase{L"Lpt2", L"LPT2:"}, NameCase{L"USB002", L"USB002"},
                                         NameCase{L"usb001", L"USB001"}, NameCase{L"COM0", std::nullopt},
                                         NameCase{L"COM07", std::nullopt}, NameCase{L"COM1000", std::nullopt},
                                         NameCase{L"COM", std::nullopt}, NameCase{L"COM1::", std::nullopt},
                                         NameCase{L"USB1", std::nullopt}, NameCase{L"USB000", std::nullopt},
                                         NameCase{L"USB002:", std::nullopt}, NameCase{L"FILE:", std::nullopt},
                                         NameCase{L"", std::nullopt}, NameCase{L"COM1 ", std::nullopt}));

TEST(PortList, IsTheFixedPortsThenTheMachinesOtherOnesInItsOrder) {
    const std::vector<PortEntry> list =
        PortList({L"COM1:", L"FILE:", L"COM10:", L"USB002", L"LPT1:", L"nul:", L"USB001", L"com9:", L"IP_10.0.0.1"});
    std::vector<std::wstring> shown;
    for (const PortEntry& port : list) shown.push_back(port.listText);
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"LPT1", L"LPT2", L"LPT3", L"COM1", L"COM2", L"COM3", L"COM4",
                                                L"USB001", L"COM10", L"USB002", L"COM9"}));
    EXPECT_EQ(list[8].spoolerName, L"COM10:");
    EXPECT_EQ(list[10].spoolerName, L"COM9:");
    // Only USB001 warns that it exists while the printer is connected.
    for (std::size_t i = 0; i < list.size(); ++i) EXPECT_EQ(list[i].warns, i == 7) << i;
}

TEST(PortChoice, OfTheMachinesOwnPortsFollowsTheirRows) {
    const std::vector<PortEntry> list = PortList({L"COM12:", L"USB003"});
    using Boxes = PortChoice::SerialBoxes;
    EXPECT_EQ(ChoosePort(8, list), (PortChoice{Boxes::Enable, false, true, L"COM12:"}));
    EXPECT_EQ(ChoosePort(9, list), (PortChoice{Boxes::Disable, false, true, L"USB003"}));
    EXPECT_EQ(ChoosePort(10, list), PortChoice{});
    EXPECT_EQ(ChoosePort(-1, list), PortChoice{});
}

TEST(ComDeviceName, IsTheNameWithoutItsColonWhateverItsNumber) {
    EXPECT_EQ(ComDeviceName(L"COM1:"), L"COM1");
    EXPECT_EQ(ComDeviceName(L"COM10:"), L"COM10");
    EXPECT_EQ(ChosenPort(3, L""), L"COM1:");
    EXPECT_EQ(ChosenPort(kNoListedPort, L"COM7:"), L"COM7:");
    EXPECT_EQ(ChosenPort(8, L""), std::nullopt);
}

struct UsbCase {
    const char* what;
    std::vector<UsbPrinterPort> ports;
    UsbPortSearch expected;
};

class UsbPrinterSearch : public testing::TestWithParam<UsbCase> {};

TEST_P(UsbPrinterSearch, FindsTheModelsPortOrTheOnlyOne) {
    const UsbPortSearch found = FindUsbPrinterPort(GetParam().ports, {L"USBPRINT\\TavikTavik10", L"TavikTavik10"});
    EXPECT_EQ(found.outcome, GetParam().expected.outcome);
    EXPECT_EQ(found.port, GetParam().expected.port);
    EXPECT_EQ(found.matched, GetParam().expected.matched);
}

using O = UsbPortSearch::Outcome;
const UsbPrinterPort kTavik{L"USB002", {L"USBPRINT\\tavikTAVIK10", L"USBPRINT\\Generic"}};
const UsbPrinterPort kOther{L"USB001", {L"USBPRINT\\OtherModel", L"GenericPrinter"}};
const UsbPrinterPort kOtherToo{L"USB003", {L"USBPRINT\\ThirdModel"}};
const UsbPrinterPort kTavikToo{L"USB004", {L"Other", L"TavikTavik10"}};

INSTANTIATE_TEST_SUITE_P(Devices, UsbPrinterSearch,
                         testing::Values(UsbCase{"matching", {kOther, kTavik, kOtherToo}, {O::Found, L"USB002", true}},
                                         UsbCase{"compatible ID", {kOther, kTavikToo}, {O::Found, L"USB004", true}},
                                         UsbCase{"one unmatched", {kOther}, {O::Found, L"USB001", false}},
                                         UsbCase{"two unmatched", {kOther, kOtherToo}, {O::NotFound, L"", false}},
                                         UsbCase{"none", {}, {O::NotFound, L"", false}},
                                         UsbCase{"two matching", {kTavik, kTavikToo}, {O::SeveralMatch, L"", false}}),
                         [](const testing::TestParamInfo<UsbCase>& row) {
                             std::string name = row.param.what;
                             for (char& c : name) c = c == ' ' ? '_' : c;
                             return name;
                         });

TEST(DescribeUsbPorts, NamesEachPortWithItsDevicesIds) {
    EXPECT_EQ(DescribeUsbPorts({kOther, kOtherToo}),
              L"USB001 (USBPRINT\\OtherModel, GenericPrinter); USB003 (USBPRINT\\ThirdModel)");
    EXPECT_EQ(DescribeUsbPorts({}), L"none");
}

}  // namespace
