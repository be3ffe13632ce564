#pragma once

// What the spooler of the running system says about printers, for checks in tests. The
// spooler's library is loaded from the system directory at run time, so a test program
// using this does not import WINSPOOL.DRV (and a library of that name beside it stays
// unused, as it must for the installer).

#include <optional>
#include <string>

namespace spooler_probe {

struct PrinterFacts {
    std::wstring port;
    std::wstring driver;
    std::wstring printProcessor;
    bool operator==(const PrinterFacts&) const = default;
};

// The printer's port, driver and print processor, read through an open handle
// (OpenPrinterW, GetPrinterW level 2); nothing when no printer of this name can be
// opened. A printer that is merely listed does not count.
std::optional<PrinterFacts> OpenPrinterFacts(const std::wstring& name);

// The current user's default printer, empty when there is none.
std::wstring DefaultPrinter();

// The driver directory of an environment ("Windows x64", "Windows NT x86").
std::wstring DriverDirectory(const std::wstring& environment);

}  // namespace spooler_probe
