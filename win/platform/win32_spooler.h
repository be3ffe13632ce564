#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/install_system.h"
#include "win/platform/handles.h"

// The print spooler's client library. It is not imported: the installer runs with
// administrator rights, often from a download folder, and an imported WINSPOOL.DRV
// would be looked for beside the program first. It is loaded from the system directory
// by full path and its functions are found by name: those every system from XP on has,
// and one that only later systems have.
class Win32Spooler final : public Spooler {
public:
    Win32Spooler();

    // False when winspool.drv or one of its functions could not be found; every
    // operation then fails (no printer exists, none can be created).
    bool Available() const;

    bool PrinterExists(const std::wstring& name) override;
    SystemError AddPrinter(const PrinterDescription& printer) override;
    SystemError SetDefaultPrinter(const std::wstring& name) override;
    bool DriverInstalled(const std::wstring& model) override;
    std::unique_ptr<OpenedPrinter> OpenForRemoval(const std::wstring& name, SystemError& error) override;
    bool PrinterRemains(const std::wstring& name) override;
    std::optional<std::vector<std::wstring>> DriversInUse(SystemError& error) override;
    SystemError DeleteDriver(const std::wstring& model) override;
    std::optional<std::vector<std::wstring>> Ports(SystemError& error) override;
    bool OffersDriverPackageRemoval() override;
    SystemError DeleteDriverPackage(const std::wstring& infPath) override;

private:
    // As winspool.h declares them (checked there); that header is kept out of this one
    // because it renames AddPrinter and SetDefaultPrinter to their W forms.
    using OpenPrinterFunction = BOOL(WINAPI*)(LPWSTR, LPHANDLE, struct _PRINTER_DEFAULTSW*);
    using AddPrinterFunction = HANDLE(WINAPI*)(LPWSTR, DWORD, LPBYTE);
    using SetDefaultPrinterFunction = BOOL(WINAPI*)(LPCWSTR);
    using GetPrinterFunction = BOOL(WINAPI*)(HANDLE, DWORD, LPBYTE, DWORD, LPDWORD);
    using SetPrinterFunction = BOOL(WINAPI*)(HANDLE, DWORD, LPBYTE, DWORD);
    using GetPrinterDriverFunction = BOOL(WINAPI*)(HANDLE, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD);
    using DeletePrinterFunction = BOOL(WINAPI*)(HANDLE);
    using EnumPrintersFunction = BOOL(WINAPI*)(DWORD, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    using EnumPrinterDriversFunction = BOOL(WINAPI*)(LPWSTR, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    using DeletePrinterDriverExFunction = BOOL(WINAPI*)(LPWSTR, LPWSTR, LPWSTR, DWORD, DWORD);
    using EnumPortsFunction = BOOL(WINAPI*)(LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    // Vista and later; the headers declare it only for programs that need Vista.
    using DeletePrinterDriverPackageFunction = HRESULT(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR);

    class Opened;

    UniquePrinter Owned(HANDLE printer) const;
    // What the driver calls name as the environment: null for this program's own.
    LPWSTR Environment() { return environment_.empty() ? nullptr : environment_.data(); }

    UniqueModule winspool_;
    OpenPrinterFunction openPrinter_ = nullptr;
    PrinterPolicy::ClosePrinterFunction closePrinter_ = nullptr;
    AddPrinterFunction addPrinter_ = nullptr;
    SetDefaultPrinterFunction setDefaultPrinter_ = nullptr;
    GetPrinterFunction getPrinter_ = nullptr;
    SetPrinterFunction setPrinter_ = nullptr;
    GetPrinterDriverFunction getPrinterDriver_ = nullptr;
    DeletePrinterFunction deletePrinter_ = nullptr;
    EnumPrintersFunction enumPrinters_ = nullptr;
    EnumPrinterDriversFunction enumPrinterDrivers_ = nullptr;
    DeletePrinterDriverExFunction deletePrinterDriverEx_ = nullptr;
    EnumPortsFunction enumPorts_ = nullptr;
    DeletePrinterDriverPackageFunction deletePrinterDriverPackage_ = nullptr;  // null before Vista
    std::wstring environment_;                                                 // empty: this program's own
};
