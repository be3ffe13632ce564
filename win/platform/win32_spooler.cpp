#include "win/platform/win32_spooler.h"

#include <winspool.h>
// Its A/W macros would rename our own members of the same names.
#undef AddPrinter
#undef SetDefaultPrinter

#include <cstddef>
#include <optional>
#include <type_traits>
#include <vector>

#include "win/platform/os_detection.h"
#include "win/platform/system_paths.h"

namespace {

// Only the types are taken from the header; nothing links against the library.
static_assert(std::is_same_v<PrinterPolicy::ClosePrinterFunction, decltype(&::ClosePrinter)>);

// The spooler's functions take names as writable strings; they get copies.
std::vector<wchar_t> Writable(const std::wstring& text) {
    std::vector<wchar_t> buffer(text.begin(), text.end());
    buffer.push_back(L'\0');
    return buffer;
}

// The spooler's structures come in a buffer it sizes: asked once for the size, then
// for the data (again, should it have grown in between). Nothing, with the error, when
// the spooler cannot give them; an empty buffer when there are none.
template <typename Fill>
std::optional<std::vector<BYTE>> Sized(Fill fill, DWORD& error) {
    std::vector<BYTE> buffer;
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD needed = 0;
        if (fill(buffer.empty() ? nullptr : buffer.data(), static_cast<DWORD>(buffer.size()), needed)) {
            error = 0;
            return buffer;
        }
        error = ::GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size()) break;
        buffer.assign(needed, 0);
    }
    // A failure that left no error code behind must not read as success.
    if (error == 0) error = ERROR_GEN_FAILURE;
    return std::nullopt;
}

// One text of each entry an enumeration lists (a printer's driver, a port's name), in its
// order; nothing, with the error, when it cannot list them. The count it reports is
// trusted only as far as the buffer holds entries.
template <typename Info, typename Enumerate>
std::optional<std::vector<std::wstring>> Names(Enumerate enumerate, LPWSTR Info::*field, SystemError& error) {
    DWORD count = 0;
    DWORD failure = 0;
    const std::optional<std::vector<BYTE>> buffer =
        Sized([&](BYTE* data, DWORD size, DWORD& needed) { return enumerate(data, size, needed, count); }, failure);
    error = failure;
    if (!buffer) return std::nullopt;
    std::vector<std::wstring> names;
    const auto fits = static_cast<DWORD>(buffer->size() / sizeof(Info));
    const auto* info = reinterpret_cast<const Info*>(buffer->data());
    for (DWORD i = 0; i < count && i < fits; ++i) {
        if (info[i].*field != nullptr) names.emplace_back(info[i].*field);
    }
    return names;
}

// DRIVER_INFO_8W as the headers of Vista and later lay it out, up to the field read here;
// they declare it only for programs that need Vista.
struct DriverInfo8 {
    DWORD cVersion;
    LPWSTR pName, pEnvironment, pDriverPath, pDataFile, pConfigFile, pHelpFile, pDependentFiles, pMonitorName,
        pDefaultDataType, pszzPreviousNames;
    FILETIME ftDriverDate;
    DWORDLONG dwlDriverVersion;
    LPWSTR pszMfgName, pszOEMUrl, pszHardwareID, pszProvider, pszPrintProcessor, pszVendorSetup, pszzColorProfiles;
    LPWSTR pszInfPath;
};
static_assert(offsetof(DriverInfo8, pszInfPath) == (sizeof(void*) == 8 ? 160 : 92));

}  // namespace

// A printer opened with full access, closed when the object goes.
class Win32Spooler::Opened final : public OpenedPrinter {
public:
    Opened(const Win32Spooler& spooler, UniquePrinter printer) : spooler_(spooler), printer_(std::move(printer)) {}

    std::wstring Driver() override {
        const auto info = Info();
        if (!info) return {};
        const auto* printer = reinterpret_cast<const PRINTER_INFO_2W*>(info->data());
        return printer->pDriverName != nullptr ? printer->pDriverName : L"";
    }

    // A printer without jobs has nothing to purge, and some spoolers refuse the request.
    SystemError PurgeJobs() override {
        const auto info = Info();
        if (info && reinterpret_cast<const PRINTER_INFO_2W*>(info->data())->cJobs == 0) return 0;
        return spooler_.setPrinter_(printer_.get(), 0, nullptr, PRINTER_CONTROL_PURGE) ? 0 : ::GetLastError();
    }

    // Level 8 is the first to carry the INF path; earlier systems refuse it.
    std::wstring DriverInfPath(SystemError& error) override {
        DWORD failure = 0;
        const auto info = Sized(
            [&](BYTE* buffer, DWORD size, DWORD& needed) {
                return spooler_.getPrinterDriver_(printer_.get(), nullptr, 8, buffer, size, &needed) != FALSE;
            },
            failure);
        error = failure;
        if (!info || info->size() < sizeof(DriverInfo8)) return {};
        const auto* driver = reinterpret_cast<const DriverInfo8*>(info->data());
        return driver->pszInfPath != nullptr ? driver->pszInfPath : L"";
    }

    SystemError Delete() override { return spooler_.deletePrinter_(printer_.get()) ? 0 : ::GetLastError(); }

private:
    // PRINTER_INFO_2W and what it points to; nothing when it cannot be read.
    std::optional<std::vector<BYTE>> Info() const {
        DWORD error = 0;
        auto info = Sized(
            [&](BYTE* buffer, DWORD size, DWORD& needed) {
                return spooler_.getPrinter_(printer_.get(), 2, buffer, size, &needed) != FALSE;
            },
            error);
        if (!info || info->size() < sizeof(PRINTER_INFO_2W)) return std::nullopt;
        return info;
    }

    const Win32Spooler& spooler_;
    UniquePrinter printer_;
};

Win32Spooler::Win32Spooler() : winspool_(LoadSystemLibrary(L"winspool.drv")) {
    // To the spooler no environment means this program's own, which on ARM64 is the
    // emulated processor's: there the machine's own is named.
    const DriverEnvironment environment = PlanForMachine(ThisMachine()).environment;
    if (environment == DriverEnvironment::Arm64) environment_ = SpoolerEnvironmentName(environment);
    static_assert(std::is_same_v<OpenPrinterFunction, decltype(&::OpenPrinterW)>);
    static_assert(std::is_same_v<AddPrinterFunction, decltype(&::AddPrinterW)>);
    static_assert(std::is_same_v<SetDefaultPrinterFunction, decltype(&::SetDefaultPrinterW)>);
    static_assert(std::is_same_v<GetPrinterFunction, decltype(&::GetPrinterW)>);
    static_assert(std::is_same_v<SetPrinterFunction, decltype(&::SetPrinterW)>);
    static_assert(std::is_same_v<GetPrinterDriverFunction, decltype(&::GetPrinterDriverW)>);
    static_assert(std::is_same_v<DeletePrinterFunction, decltype(&::DeletePrinter)>);
    static_assert(std::is_same_v<EnumPrintersFunction, decltype(&::EnumPrintersW)>);
    static_assert(std::is_same_v<EnumPrinterDriversFunction, decltype(&::EnumPrinterDriversW)>);
    static_assert(std::is_same_v<DeletePrinterDriverExFunction, decltype(&::DeletePrinterDriverExW)>);
    static_assert(std::is_same_v<EnumPortsFunction, decltype(&::EnumPortsW)>);
    openPrinter_ = ProcAddress<OpenPrinterFunction>(winspool_.get(), "OpenPrinterW");
    closePrinter_ = ProcAddress<PrinterPolicy::ClosePrinterFunction>(winspool_.get(), "ClosePrinter");
    addPrinter_ = ProcAddress<AddPrinterFunction>(winspool_.get(), "AddPrinterW");
    setDefaultPrinter_ = ProcAddress<SetDefaultPrinterFunction>(winspool_.get(), "SetDefaultPrinterW");
    getPrinter_ = ProcAddress<GetPrinterFunction>(winspool_.get(), "GetPrinterW");
    setPrinter_ = ProcAddress<SetPrinterFunction>(winspool_.get(), "SetPrinterW");
    getPrinterDriver_ = ProcAddress<GetPrinterDriverFunction>(winspool_.get(), "GetPrinterDriverW");
    deletePrinter_ = ProcAddress<DeletePrinterFunction>(winspool_.get(), "DeletePrinter");
    enumPrinters_ = ProcAddress<EnumPrintersFunction>(winspool_.get(), "EnumPrintersW");
    enumPrinterDrivers_ = ProcAddress<EnumPrinterDriversFunction>(winspool_.get(), "EnumPrinterDriversW");
    deletePrinterDriverEx_ = ProcAddress<DeletePrinterDriverExFunction>(winspool_.get(), "DeletePrinterDriverExW");
    enumPorts_ = ProcAddress<EnumPortsFunction>(winspool_.get(), "EnumPortsW");
    deletePrinterDriverPackage_ =
        ProcAddress<DeletePrinterDriverPackageFunction>(winspool_.get(), "DeletePrinterDriverPackageW");
}

bool Win32Spooler::Available() const {
    return openPrinter_ != nullptr && closePrinter_ != nullptr && addPrinter_ != nullptr &&
           setDefaultPrinter_ != nullptr && getPrinter_ != nullptr && setPrinter_ != nullptr &&
           getPrinterDriver_ != nullptr && deletePrinter_ != nullptr && enumPrinters_ != nullptr &&
           enumPrinterDrivers_ != nullptr && deletePrinterDriverEx_ != nullptr && enumPorts_ != nullptr;
}

UniquePrinter Win32Spooler::Owned(HANDLE printer) const {
    return UniquePrinter(printer, PrinterPolicy{closePrinter_});
}

bool Win32Spooler::PrinterExists(const std::wstring& name) {
    if (!Available()) return false;
    auto writableName = Writable(name);
    HANDLE printer = nullptr;
    const bool opened = openPrinter_(writableName.data(), &printer, nullptr) != FALSE;
    const UniquePrinter owned = Owned(printer);
    return opened && owned;
}

SystemError Win32Spooler::AddPrinter(const PrinterDescription& description) {
    if (!Available()) return ERROR_PROC_NOT_FOUND;
    auto printerName = Writable(description.printerName);
    auto portName = Writable(description.portName);
    auto driverName = Writable(description.driverName);
    auto printProcessor = Writable(description.printProcessor);

    PRINTER_INFO_2W info{};  // everything not named here stays zero or null
    info.pPrinterName = printerName.data();
    info.pPortName = portName.data();
    info.pDriverName = driverName.data();
    info.pPrintProcessor = printProcessor.data();

    const UniquePrinter printer = Owned(addPrinter_(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
    if (printer) return 0;
    // A failure that left no error code behind must not read as success.
    const DWORD error = ::GetLastError();
    return error != 0 ? error : ERROR_GEN_FAILURE;
}

SystemError Win32Spooler::SetDefaultPrinter(const std::wstring& name) {
    if (!Available()) return ERROR_PROC_NOT_FOUND;
    if (setDefaultPrinter_(name.c_str())) return 0;
    const DWORD error = ::GetLastError();
    return error != 0 ? error : ERROR_GEN_FAILURE;
}

bool Win32Spooler::DriverInstalled(const std::wstring& model) {
    if (!Available()) return false;
    DWORD count = 0;
    DWORD error = 0;
    // Level 1, this program's own environment (a 64-bit program's, or a 32-bit one's), or
    // on ARM64 the machine's.
    const auto drivers = Sized(
        [&](BYTE* buffer, DWORD size, DWORD& needed) {
            return enumPrinterDrivers_(nullptr, Environment(), 1, buffer, size, &needed, &count) != FALSE;
        },
        error);
    if (!drivers || drivers->empty()) return false;
    const auto* info = reinterpret_cast<const DRIVER_INFO_1W*>(drivers->data());
    for (DWORD i = 0; i < count; ++i) {
        if (info[i].pName != nullptr && ::lstrcmpiW(info[i].pName, model.c_str()) == 0) return true;
    }
    return false;
}

std::unique_ptr<OpenedPrinter> Win32Spooler::OpenForRemoval(const std::wstring& name, SystemError& error) {
    if (!Available()) {
        error = ERROR_PROC_NOT_FOUND;
        return nullptr;
    }
    auto writableName = Writable(name);
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!openPrinter_(writableName.data(), &printer, &access) || printer == nullptr) {
        error = ::GetLastError();
        return nullptr;
    }
    error = 0;
    return std::make_unique<Opened>(*this, Owned(printer));
}

// Listed rather than opened: a printer marked for deletion is listed while it is there,
// whether or not it can still be opened.
bool Win32Spooler::PrinterRemains(const std::wstring& name) {
    if (!Available()) return true;
    DWORD count = 0;
    DWORD error = 0;
    const auto printers = Sized(
        [&](BYTE* buffer, DWORD size, DWORD& needed) {
            return enumPrinters_(PRINTER_ENUM_LOCAL, nullptr, 4, buffer, size, &needed, &count) != FALSE;
        },
        error);
    if (!printers) return true;
    if (printers->empty()) return false;
    const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(printers->data());
    for (DWORD i = 0; i < count; ++i) {
        if (info[i].pPrinterName != nullptr && ::lstrcmpiW(info[i].pPrinterName, name.c_str()) == 0) return true;
    }
    return false;
}

std::optional<std::vector<std::wstring>> Win32Spooler::DriversInUse(SystemError& error) {
    if (!Available()) {
        error = ERROR_PROC_NOT_FOUND;
        return std::nullopt;
    }
    return Names(
        [&](BYTE* buffer, DWORD size, DWORD& needed, DWORD& count) {
            return enumPrinters_(PRINTER_ENUM_LOCAL, nullptr, 2, buffer, size, &needed, &count) != FALSE;
        },
        &PRINTER_INFO_2W::pDriverName, error);
}

SystemError Win32Spooler::DeleteDriver(const std::wstring& model) {
    if (!Available()) return ERROR_PROC_NOT_FOUND;
    auto writableModel = Writable(model);
    // The driver's files go too where the spooler can; some spoolers refuse that request
    // (error 87) and remove the driver when asked without it.
    if (deletePrinterDriverEx_(nullptr, Environment(), writableModel.data(), DPD_DELETE_UNUSED_FILES, 0)) return 0;
    if (::GetLastError() != ERROR_INVALID_PARAMETER) return ::GetLastError();
    return deletePrinterDriverEx_(nullptr, Environment(), writableModel.data(), 0, 0) ? 0 : ::GetLastError();
}

std::optional<std::vector<std::wstring>> Win32Spooler::Ports(SystemError& error) {
    if (!Available()) {
        error = ERROR_PROC_NOT_FOUND;
        return std::nullopt;
    }
    return Names([&](BYTE* buffer, DWORD size, DWORD& needed,
                     DWORD& count) { return enumPorts_(nullptr, 1, buffer, size, &needed, &count) != FALSE; },
                 &PORT_INFO_1W::pName, error);
}

bool Win32Spooler::OffersDriverPackageRemoval() {
    return deletePrinterDriverPackage_ != nullptr;
}

SystemError Win32Spooler::DeleteDriverPackage(const std::wstring& infPath) {
    if (deletePrinterDriverPackage_ == nullptr) return ERROR_PROC_NOT_FOUND;
    // Null for the server: this machine.
    const HRESULT result = deletePrinterDriverPackage_(nullptr, infPath.c_str(), Environment());
    if (SUCCEEDED(result)) return 0;
    // Most of its failures are the system's error numbers, wrapped.
    const auto code = static_cast<SystemError>(result);
    return HRESULT_FACILITY(result) == FACILITY_WIN32 ? code & 0xFFFFu : code;
}
