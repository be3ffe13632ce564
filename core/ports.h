#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/install_system.h"

// The ports a printer can be put on. The settings page lists the eight fixed ones first,
// in this order (a record's port index 0 to 7 means one of them), then the machine's own
// other ports of the same forms.
struct PortRow {
    std::wstring_view listText;     // as the settings page lists it
    std::wstring_view spoolerName;  // as the spooler names it
    bool warns = false;             // choosing it tells the person it exists only while the printer is connected
};

inline constexpr std::array<PortRow, 8> kFixedPorts = {{
    {L"LPT1", L"LPT1:"},
    {L"LPT2", L"LPT2:"},
    {L"LPT3", L"LPT3:"},
    {L"COM1", L"COM1:"},
    {L"COM2", L"COM2:"},
    {L"COM3", L"COM3:"},
    {L"COM4", L"COM4:"},
    {L"USB001", L"USB001", true},
}};

// A record port index for a port that is not in the fixed list.
inline constexpr std::int32_t kNoListedPort = -1;

// `/port:USB`: the port of the connected USB printer, found when the installation starts.
inline constexpr std::wstring_view kFindUsbPort = L"USB";

// The spooler's name of a port written as `LPTn`, `COMn` (either with or without its
// colon) or `USBnnn` (three digits), in upper case; nothing for any other text. n is 1
// to 999 without leading zeros.
std::optional<std::wstring> SpoolerPortName(std::wstring_view text);

// A port the settings page lists and the installation takes, from its spooler name.
struct PortEntry {
    std::wstring listText;
    std::wstring spoolerName;
    bool warns = false;
};

// The settings page's list: the fixed ports, then those of `machinePorts` (as the spooler
// lists them, in its order) of the three forms that are not among them.
std::vector<PortEntry> PortList(const std::vector<std::wstring>& machinePorts);

bool IsComPortName(std::wstring_view spoolerName);

// The name the COM configuration knows a COM port by: "COM10" for "COM10:".
std::wstring ComDeviceName(std::wstring_view spoolerName);

// The port a record's settings name: its spooler name, or for an index in the fixed
// list, that port's; nothing when neither says one.
std::optional<std::wstring> ChosenPort(std::int32_t portIndex, const std::wstring& portName);

// How the USB printer for a driver was looked for.
struct UsbPortSearch {
    enum class Outcome {
        Found,
        NotFound,      // no device matches, and not exactly one is connected
        SeveralMatch,  // more than one device matches: no guess
    };
    Outcome outcome = Outcome::NotFound;
    std::wstring port;     // Found: the port chosen
    bool matched = false;  // Found: a device's IDs named the model (else: the only printer connected)
};

// The USB printer port for a model whose INF line carries `modelIds`: the one whose device
// has one of those IDs (ignoring case); without such a device, the only USB printer port
// with a device connected.
UsbPortSearch FindUsbPrinterPort(const std::vector<UsbPrinterPort>& ports, const std::vector<std::wstring>& modelIds);

// "USB001 (USBPRINT\TavikTavik10, ...); USB002 (...)", or "none" for no port.
std::wstring DescribeUsbPorts(const std::vector<UsbPrinterPort>& ports);
