#include "win/platform/usb_printer_ports.h"

#include <windows.h>
// Only for the types: the library is loaded at run time. The commctrl.h it includes
// declares a function of the name that system_paths.h gives the program's own.
#define InitCommonControls CommonControlsOfTheSystemHeader
#include <setupapi.h>
#undef InitCommonControls

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <type_traits>

#include "win/platform/handles.h"
#include "win/platform/system_paths.h"

namespace {

// The interface class that the USB printing driver registers for each printer.
constexpr GUID kUsbPrinterInterface = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

// Registry data is whatever someone wrote there; a value larger than this is not a port's.
constexpr DWORD kLargestValue = 64 * 1024;

// The interface enumeration ends with an error; this many interfaces end it in any case.
constexpr DWORD kMostInterfaces = 1000;

class SetupApi {
public:
    using GetClassDevsFunction = HDEVINFO(WINAPI*)(const GUID*, PCWSTR, HWND, DWORD);
    using EnumDeviceInterfacesFunction = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD,
                                                       PSP_DEVICE_INTERFACE_DATA);
    using GetDeviceInterfaceDetailFunction = BOOL(WINAPI*)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA,
                                                           PSP_DEVICE_INTERFACE_DETAIL_DATA_W, DWORD, PDWORD,
                                                           PSP_DEVINFO_DATA);
    using OpenDeviceInterfaceRegKeyFunction = HKEY(WINAPI*)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA, DWORD, REGSAM);
    using GetDeviceRegistryPropertyFunction = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD, PBYTE, DWORD,
                                                            PDWORD);
    static_assert(std::is_same_v<GetClassDevsFunction, decltype(&::SetupDiGetClassDevsW)>);
    static_assert(std::is_same_v<EnumDeviceInterfacesFunction, decltype(&::SetupDiEnumDeviceInterfaces)>);
    static_assert(std::is_same_v<GetDeviceInterfaceDetailFunction, decltype(&::SetupDiGetDeviceInterfaceDetailW)>);
    static_assert(std::is_same_v<OpenDeviceInterfaceRegKeyFunction, decltype(&::SetupDiOpenDeviceInterfaceRegKey)>);
    static_assert(std::is_same_v<GetDeviceRegistryPropertyFunction, decltype(&::SetupDiGetDeviceRegistryPropertyW)>);
    static_assert(std::is_same_v<DeviceInfoSetPolicy::DestroyFunction, decltype(&::SetupDiDestroyDeviceInfoList)>);

    SetupApi() : module_(LoadSystemLibrary(L"setupapi.dll")) {
        getClassDevs = ProcAddress<GetClassDevsFunction>(module_.get(), "SetupDiGetClassDevsW");
        enumDeviceInterfaces = ProcAddress<EnumDeviceInterfacesFunction>(module_.get(), "SetupDiEnumDeviceInterfaces");
        getDeviceInterfaceDetail =
            ProcAddress<GetDeviceInterfaceDetailFunction>(module_.get(), "SetupDiGetDeviceInterfaceDetailW");
        openDeviceInterfaceRegKey =
            ProcAddress<OpenDeviceInterfaceRegKeyFunction>(module_.get(), "SetupDiOpenDeviceInterfaceRegKey");
        getDeviceRegistryProperty =
            ProcAddress<GetDeviceRegistryPropertyFunction>(module_.get(), "SetupDiGetDeviceRegistryPropertyW");
        destroyDeviceInfoList =
            ProcAddress<DeviceInfoSetPolicy::DestroyFunction>(module_.get(), "SetupDiDestroyDeviceInfoList");
    }

    bool Available() const {
        return getClassDevs != nullptr && enumDeviceInterfaces != nullptr && getDeviceInterfaceDetail != nullptr &&
               openDeviceInterfaceRegKey != nullptr && getDeviceRegistryProperty != nullptr &&
               destroyDeviceInfoList != nullptr;
    }

    GetClassDevsFunction getClassDevs = nullptr;
    EnumDeviceInterfacesFunction enumDeviceInterfaces = nullptr;
    GetDeviceInterfaceDetailFunction getDeviceInterfaceDetail = nullptr;
    OpenDeviceInterfaceRegKeyFunction openDeviceInterfaceRegKey = nullptr;
    GetDeviceRegistryPropertyFunction getDeviceRegistryProperty = nullptr;
    DeviceInfoSetPolicy::DestroyFunction destroyDeviceInfoList = nullptr;

private:
    UniqueModule module_;
};

// A registry value or device property: its type and bytes, exactly as stored.
struct Data {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

// Reads data of a size the system tells first: `read` is called with the buffer (null
// while it is empty), its size, and fills in the size needed; it answers whether it read,
// and otherwise whether the buffer was too small.
template <typename Read>
std::optional<Data> SizedData(Read read) {
    Data data;
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD size = static_cast<DWORD>(data.bytes.size());
        bool tooSmall = false;
        if (read(data.type, data.bytes.empty() ? nullptr : data.bytes.data(), size, tooSmall)) {
            // Asked without a buffer, a call may succeed and report only the size.
            if (size == 0 || !data.bytes.empty()) {
                data.bytes.resize(std::min<std::size_t>(size, data.bytes.size()));
                return data;
            }
        } else if (!tooSmall) {
            return std::nullopt;
        }
        if (size <= data.bytes.size() || size > kLargestValue) return std::nullopt;
        data.bytes.assign(size, 0);
    }
    return std::nullopt;
}

std::optional<Data> RegistryValue(HKEY key, const wchar_t* name) {
    return SizedData([&](DWORD& type, BYTE* buffer, DWORD& size, bool& tooSmall) {
        const LSTATUS status = ::RegQueryValueExW(key, name, nullptr, &type, buffer, &size);
        tooSmall = status == ERROR_MORE_DATA;
        return status == ERROR_SUCCESS;
    });
}

std::optional<Data> DeviceProperty(const SetupApi& api, HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    return SizedData([&](DWORD& type, BYTE* buffer, DWORD& size, bool& tooSmall) {
        DWORD needed = 0;
        const bool read = api.getDeviceRegistryProperty(set, &device, property, &type, buffer, size, &needed) != FALSE;
        tooSmall = !read && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER;
        size = needed;
        return read;
    });
}

// The strings of REG_MULTI_SZ data (REG_SZ data gives its one), as far as they go: the
// bytes may stop anywhere, even inside a character, with or without the terminators.
std::vector<std::wstring> Texts(const Data& data) {
    std::vector<std::wstring> texts;
    if (data.type != REG_SZ && data.type != REG_MULTI_SZ) return texts;
    std::wstring all(data.bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(all.data(), data.bytes.data(), all.size() * sizeof(wchar_t));
    for (std::size_t start = 0; start < all.size();) {
        const std::size_t end = std::min(all.find(L'\0', start), all.size());
        if (end == start) break;  // the empty string ends the list
        texts.push_back(all.substr(start, end - start));
        if (data.type == REG_SZ) break;
        start = end + 1;
    }
    return texts;
}

// The spooler's name for the interface's port: its base name and number, the number in
// three digits at least ("USB" and 2 give "USB002").
std::optional<std::wstring> PortName(const SetupApi& api, HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interface) {
    HKEY opened = api.openDeviceInterfaceRegKey(set, &interface, 0, KEY_QUERY_VALUE);
    // It fails with INVALID_HANDLE_VALUE, not null.
    if (static_cast<HANDLE>(opened) == INVALID_HANDLE_VALUE) opened = nullptr;
    const UniqueRegistryKey key(opened);
    if (!key) return std::nullopt;
    const std::optional<Data> base = RegistryValue(key.get(), L"Base Name");
    const std::optional<Data> number = RegistryValue(key.get(), L"Port Number");
    if (!base || base->type != REG_SZ || !number || number->type != REG_DWORD ||
        number->bytes.size() != sizeof(DWORD)) {
        return std::nullopt;
    }
    const std::vector<std::wstring> name = Texts(*base);
    if (name.empty()) return std::nullopt;
    DWORD value = 0;
    std::memcpy(&value, number->bytes.data(), sizeof value);
    std::wstring digits = std::to_wstring(value);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), L'0');
    return name.front() + digits;
}

// The device that the interface belongs to.
bool DeviceOf(const SetupApi& api, HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interface, SP_DEVINFO_DATA& device) {
    DWORD needed = 0;
    api.getDeviceInterfaceDetail(set, &interface, nullptr, 0, &needed, nullptr);
    if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) || needed > kLargestValue) return false;
    // Held in DWORDs, for the structure's alignment.
    std::vector<DWORD> buffer((needed + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof *detail;
    device.cbSize = sizeof device;
    return api.getDeviceInterfaceDetail(set, &interface, detail, needed, nullptr, &device) != FALSE;
}

}  // namespace

std::vector<UsbPrinterPort> PresentUsbPrinterPorts() {
    const SetupApi api;
    if (!api.Available()) return {};
    const UniqueDeviceInfoSet set(api.getClassDevs(&kUsbPrinterInterface, nullptr, nullptr,
                                                   static_cast<DWORD>(DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)),
                                  DeviceInfoSetPolicy{api.destroyDeviceInfoList});
    if (!set) return {};

    std::vector<UsbPrinterPort> ports;
    for (DWORD index = 0; index < kMostInterfaces; ++index) {
        SP_DEVICE_INTERFACE_DATA interface {};
        interface.cbSize = sizeof interface;
        if (!api.enumDeviceInterfaces(set.get(), nullptr, &kUsbPrinterInterface, index, &interface)) {
            // A list cut short could make the one printer found look like the only one.
            return ::GetLastError() == ERROR_NO_MORE_ITEMS ? ports : std::vector<UsbPrinterPort>{};
        }
        SP_DEVINFO_DATA device{};
        if (!DeviceOf(api, set.get(), interface, device)) return {};
        std::optional<std::wstring> port = PortName(api, set.get(), interface);
        if (!port) continue;
        UsbPrinterPort found{std::move(*port), {}};
        for (const DWORD property : {DWORD{SPDRP_HARDWAREID}, DWORD{SPDRP_COMPATIBLEIDS}}) {
            const std::optional<Data> ids = DeviceProperty(api, set.get(), device, property);
            if (!ids) continue;  // most devices have no compatible IDs
            for (std::wstring& id : Texts(*ids)) found.ids.push_back(std::move(id));
        }
        ports.push_back(std::move(found));
    }
    return ports;
}
