#include "tests/support/machine_ports.h"

#include <windows.h>
// After windows.h, which it needs.
#include <setupapi.h>

#include <stdexcept>

#include "tests/support/utility.h"

namespace machine_ports {
namespace {

constexpr GUID kPrinterClass = {0x4d36e979, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
constexpr GUID kUsbPrinterInterface = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};
constexpr wchar_t kInterfaceClassKey[] =
    L"System\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\";

[[noreturn]] void Fail(const std::wstring& what, DWORD error = GetLastError()) {
    throw std::runtime_error(ToUtf8(what) + " (error " + std::to_string(error) + ")");
}

class DeviceInfoSet {
public:
    DeviceInfoSet() : set_(SetupDiCreateDeviceInfoList(&kPrinterClass, nullptr)) {
        if (set_ == INVALID_HANDLE_VALUE) Fail(L"SetupDiCreateDeviceInfoList");
    }
    ~DeviceInfoSet() { SetupDiDestroyDeviceInfoList(set_); }
    DeviceInfoSet(const DeviceInfoSet&) = delete;
    DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;
    HDEVINFO get() const { return set_; }

private:
    HDEVINFO set_;
};

// The model part of an instance ID: no separators, spaces or control characters in it.
std::wstring Model(const std::wstring& hardwareId) {
    const std::wstring prefix = L"USBPRINT\\";
    if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, hardwareId.c_str(), static_cast<int>(prefix.size()),
                       prefix.c_str(), static_cast<int>(prefix.size())) != CSTR_EQUAL) {
        return L"KESTRIN_TEST_PRINTER";
    }
    std::wstring model = hardwareId.substr(prefix.size());
    for (wchar_t& c : model) {
        if (c <= L' ' || c == L'\\' || c == L',' || c == L'#') c = L'_';
    }
    return model.empty() ? L"KESTRIN_TEST_PRINTER" : model;
}

std::wstring PortNumber(unsigned number) {
    std::wstring digits = std::to_wstring(number);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), L'0');
    return digits;
}

}  // namespace

bool AddPort(const std::wstring& name) {
    return SetRegistryText(HKEY_LOCAL_MACHINE, kPortsKey, name, L"");
}

bool RemovePort(const std::wstring& name) {
    return DeleteRegistryValue(HKEY_LOCAL_MACHINE, kPortsKey, name);
}

UsbPrinter RegisterUsbPrinter(unsigned number, const std::vector<std::wstring>& hardwareIds) {
    if (hardwareIds.empty()) throw std::runtime_error("a USB printer needs a hardware ID");
    UsbPrinter printer;
    printer.instanceId = L"USBPRINT\\" + Model(hardwareIds.front()) + L"\\1&USB" + PortNumber(number);
    printer.deviceKey = L"System\\CurrentControlSet\\Enum\\" + printer.instanceId;

    const DeviceInfoSet set;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!SetupDiCreateDeviceInfoW(set.get(), printer.instanceId.c_str(), &kPrinterClass, nullptr, nullptr, 0,
                                  &device)) {
        Fail(L"SetupDiCreateDeviceInfoW " + printer.instanceId);
    }
    std::wstring ids;
    for (const std::wstring& id : hardwareIds) ids += id + L'\0';
    ids += L'\0';
    if (!SetupDiSetDeviceRegistryPropertyW(set.get(), &device, SPDRP_HARDWAREID,
                                           reinterpret_cast<const BYTE*>(ids.data()),
                                           static_cast<DWORD>(ids.size() * sizeof(wchar_t)))) {
        Fail(L"SetupDiSetDeviceRegistryPropertyW " + printer.instanceId);
    }
    if (!SetupDiRegisterDeviceInfo(set.get(), &device, 0, nullptr, nullptr, nullptr)) {
        Fail(L"SetupDiRegisterDeviceInfo " + printer.instanceId);
    }

    SP_DEVICE_INTERFACE_DATA interface {};
    interface.cbSize = sizeof interface;
    if (!SetupDiCreateDeviceInterfaceW(set.get(), &device, &kUsbPrinterInterface, nullptr, 0, &interface)) {
        Fail(L"SetupDiCreateDeviceInterfaceW " + printer.instanceId);
    }
    const HKEY parameters =
        SetupDiCreateDeviceInterfaceRegKeyW(set.get(), &interface, 0, KEY_SET_VALUE, nullptr, nullptr);
    if (parameters == INVALID_HANDLE_VALUE) Fail(L"SetupDiCreateDeviceInterfaceRegKeyW " + printer.instanceId);
    const DWORD portNumber = number;
    const std::wstring baseName = L"USB";
    const bool written =
        RegSetValueExW(parameters, L"Port Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&portNumber),
                       sizeof portNumber) == ERROR_SUCCESS &&
        RegSetValueExW(parameters, L"Base Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(baseName.c_str()),
                       static_cast<DWORD>((baseName.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(parameters);
    if (!written) Fail(L"the port values of " + printer.instanceId);

    // The interface's key is named after its device path, "\\?\" becoming "##?#".
    DWORD needed = 0;
    SetupDiGetDeviceInterfaceDetailW(set.get(), &interface, nullptr, 0, &needed, nullptr);
    std::vector<DWORD> buffer((needed + sizeof(DWORD) - 1) / sizeof(DWORD) + 1);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof *detail;
    if (!SetupDiGetDeviceInterfaceDetailW(set.get(), &interface, detail, needed, nullptr, nullptr)) {
        Fail(L"SetupDiGetDeviceInterfaceDetailW " + printer.instanceId);
    }
    const std::wstring path = detail->DevicePath;
    if (path.rfind(L"\\\\?\\", 0) != 0) Fail(L"the device path " + path, 0);
    const std::wstring interfaceKey = kInterfaceClassKey + (L"##?#" + path.substr(4)) + L"\\#";
    printer.portKey = interfaceKey + L"\\Device Parameters";
    printer.controlKey = interfaceKey + L"\\Control";
    const DWORD linked = 1;
    if (!SetRegistryData(HKEY_LOCAL_MACHINE, printer.controlKey, L"Linked", REG_DWORD, &linked, sizeof linked)) {
        Fail(L"cannot mark " + printer.controlKey + L" linked");
    }

    // The keys named here must be the ones the system wrote, or a test changing them
    // would change nothing.
    HKEY check = nullptr;
    DWORD checkedNumber = 0;
    DWORD size = sizeof checkedNumber;
    const bool found =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, printer.portKey.c_str(), 0, KEY_QUERY_VALUE, &check) == ERROR_SUCCESS &&
        RegQueryValueExW(check, L"Port Number", nullptr, nullptr, reinterpret_cast<BYTE*>(&checkedNumber), &size) ==
            ERROR_SUCCESS &&
        checkedNumber == number;
    if (check != nullptr) RegCloseKey(check);
    if (!found) Fail(L"the port values are not in " + printer.portKey, 0);
    return printer;
}

}  // namespace machine_ports
