#pragma once

#include <optional>
#include <string>
#include <vector>

// What an installation leaves behind in the system, read the way any other program
// would read it.

struct Printer {
    std::wstring name, port, driver;
    bool operator==(const Printer&) const = default;
};

// A COM port's stored default line settings.
struct CommSettings {
    std::wstring port;
    unsigned long baudRate = 0;
    int byteSize = 0;
    std::wstring parity;                // none, odd, even, mark, space
    std::wstring stopBits;              // 1, 1.5, 2
    std::wstring flow;                  // none, xonxoff, hardware, or the raw handshake bits
    std::vector<unsigned char> stored;  // the whole configuration, to put it back
    // The settings above; `stored` may differ in what no installation touches.
    bool operator==(const CommSettings& other) const {
        return port == other.port && baudRate == other.baudRate && byteSize == other.byteSize &&
               parity == other.parity && stopBits == other.stopBits && flow == other.flow;
    }
    std::wstring Describe() const;
};

struct SystemState {
    std::vector<Printer> printers;  // those that can be opened, by name
    std::optional<std::wstring> defaultPrinter;
    std::optional<std::string> record;  // the record file's bytes, when it exists
    std::vector<CommSettings> comm;     // COM1 to COM4
};

SystemState ReadSystemState(const std::wstring& recordFile);

// Takes the system from `now` back to `earlier`: removes the printers added since, and
// puts back the default printer, the record file and the COM ports' settings. What could
// not be put back, one line each.
std::vector<std::wstring> RestoreState(const SystemState& earlier, const SystemState& now,
                                       const std::wstring& recordFile);

std::optional<Printer> PrinterIfItOpens(const std::wstring& name);
// The printer drivers installed for an environment ("Windows x64", "Windows NT x86").
std::vector<std::wstring> InstalledDrivers(const std::wstring& environment);
std::optional<CommSettings> ReadCommSettings(const std::wstring& port);
