#include "tests/support/wine/spooler_probe.h"

#include <windows.h>
#include <winspool.h>

#include <stdexcept>
#include <vector>

#include "win/platform/handles.h"

namespace spooler_probe {
namespace {

HMODULE Winspool() {
    static const HMODULE winspool = [] {
        wchar_t directory[MAX_PATH] = {};
        ::GetSystemDirectoryW(directory, MAX_PATH);
        return ::LoadLibraryW((std::wstring(directory) + L"\\winspool.drv").c_str());
    }();
    return winspool;
}

template <typename Function>
Function Find(const char* name) {
    const auto function = ProcAddress<Function>(Winspool(), name);
    if (function == nullptr) throw std::runtime_error(std::string("winspool.drv lacks ") + name);
    return function;
}

#define SPOOLER_FUNCTION(name) Find<decltype(&::name)>(#name)

std::wstring Text(const wchar_t* text) {
    return text == nullptr ? std::wstring() : std::wstring(text);
}

}  // namespace

std::optional<PrinterFacts> OpenPrinterFacts(const std::wstring& name) {
    std::wstring writable = name;
    UniquePrinter printer(nullptr, PrinterPolicy{SPOOLER_FUNCTION(ClosePrinter)});
    if (!SPOOLER_FUNCTION(OpenPrinterW)(writable.data(), printer.put(), nullptr) || !printer) return std::nullopt;
    DWORD needed = 0;
    SPOOLER_FUNCTION(GetPrinterW)(printer.get(), 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !SPOOLER_FUNCTION(GetPrinterW)(printer.get(), 2, buffer.data(), needed, &needed)) {
        throw std::runtime_error("GetPrinterW failed on a printer that could be opened");
    }
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    return PrinterFacts{Text(info->pPortName), Text(info->pDriverName), Text(info->pPrintProcessor)};
}

std::wstring DefaultPrinter() {
    wchar_t name[512] = {};
    DWORD size = 512;
    if (!SPOOLER_FUNCTION(GetDefaultPrinterW)(name, &size)) return {};
    return name;
}

std::wstring DriverDirectory(const std::wstring& environment) {
    std::wstring writable = environment;
    wchar_t directory[MAX_PATH] = {};
    DWORD needed = 0;
    if (!SPOOLER_FUNCTION(GetPrinterDriverDirectoryW)(nullptr, writable.data(), 1, reinterpret_cast<LPBYTE>(directory),
                                                      sizeof directory, &needed)) {
        throw std::runtime_error("no driver directory for an environment");
    }
    return directory;
}

}  // namespace spooler_probe
