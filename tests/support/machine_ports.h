#pragma once

#include <string>
#include <vector>

// The machine's ports as a test sets them up: the spooler's port list, and USB printers
// as the system's device list has them (the way is in WINE.md's measured facts: what
// Windows keeps for a connected USB printer, made by hand). Nothing here is undone by
// itself: tests run in throw-away prefixes.
namespace machine_ports {

// The spooler's port list, under HKEY_LOCAL_MACHINE: one value a port, its data empty.
inline constexpr wchar_t kPortsKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

// Adds the port to the spooler's list, or takes it out (also when it is not there).
// False when the registry refused.
bool AddPort(const std::wstring& name);
bool RemovePort(const std::wstring& name);

// Where a registered USB printer's data is, as keys under HKEY_LOCAL_MACHINE.
struct UsbPrinter {
    std::wstring instanceId;  // USBPRINT\<model>\1&USB<nnn>
    std::wstring deviceKey;   // the device's own: HardwareID, CompatibleIDs
    std::wstring portKey;     // its interface's parameters: Base Name, Port Number
    std::wstring controlKey;  // its interface's Control: Linked = 1 makes the device present
};

// Registers a present USB printer on the port USB<number, three digits at least> whose
// hardware IDs are `hardwareIds` (at least one). Its instance ID takes its model from the
// part of the first ID after "USBPRINT\" (a fixed name when there is none), so one model
// registers once a port. Throws std::runtime_error naming the step that failed.
UsbPrinter RegisterUsbPrinter(unsigned number, const std::vector<std::wstring>& hardwareIds);

}  // namespace machine_ports
