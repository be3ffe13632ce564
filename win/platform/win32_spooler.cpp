#include "win/platform/win32_spooler.h"

#include <winspool.h>
// Its A/W macros would rename our own members of the same names.
#undef AddPrinter
#undef SetDefaultPrinter

#include <type_traits>
#include <vector>

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

}  // namespace

Win32Spooler::Win32Spooler() : winspool_(LoadSystemLibrary(L"winspool.drv")) {
    static_assert(std::is_same_v<OpenPrinterFunction, decltype(&::OpenPrinterW)>);
    static_assert(std::is_same_v<AddPrinterFunction, decltype(&::AddPrinterW)>);
    static_assert(std::is_same_v<SetDefaultPrinterFunction, decltype(&::SetDefaultPrinterW)>);
    openPrinter_ = ProcAddress<OpenPrinterFunction>(winspool_.get(), "OpenPrinterW");
    closePrinter_ = ProcAddress<PrinterPolicy::ClosePrinterFunction>(winspool_.get(), "ClosePrinter");
    addPrinter_ = ProcAddress<AddPrinterFunction>(winspool_.get(), "AddPrinterW");
    setDefaultPrinter_ = ProcAddress<SetDefaultPrinterFunction>(winspool_.get(), "SetDefaultPrinterW");
}

bool Win32Spooler::Available() const {
    return openPrinter_ != nullptr && closePrinter_ != nullptr && addPrinter_ != nullptr &&
           setDefaultPrinter_ != nullptr;
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

bool Win32Spooler::AddPrinter(const PrinterDescription& description) {
    if (!Available()) return false;
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
    return static_cast<bool>(printer);
}

void Win32Spooler::SetDefaultPrinter(const std::wstring& name) {
    if (!Available()) return;
    setDefaultPrinter_(name.c_str());
}
