#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/exit_code.h"
#include "core/inf_file.h"
#include "core/install_settings.h"
#include "core/install_system.h"
#include "core/machine_plan.h"
#include "core/printer_name_record.h"

inline constexpr wchar_t kDriverModelName[] = L"Tavik 10.0.0.11";
inline constexpr wchar_t kPrintProcessor[] = L"WinPrint";
// The name search gives up after this many copies of the base name.
inline constexpr int kMaxPrinterCopies = 9999;
// A copy's name: the base name, then "(copy of N)".
inline constexpr std::wstring_view kCopyOpen = L"(copy of ";
inline constexpr std::wstring_view kCopyClose = L")";

// Whether Windows reads `path` the same whatever the current directory and drive: a UNC
// path, or one from the root of a drive letter.
bool IsFullPath(std::wstring_view path);

// The INF path as the printer-setup commands must name it: rundll32 runs in the system
// folder, so a path relative to the run's current directory (or drive) is made full by
// `makeFull` first; a pair of quotes around it stays. Unchanged when `makeFull` fails
// (returns nothing).
std::wstring FullInfBasePath(const std::wstring& infBasePath,
                             const std::function<std::wstring(const std::wstring&)>& makeFull);

// What one installation is asked to do.
struct InstallRequest {
    InstallSettings settings;
    std::wstring basePrinterName;
    std::wstring infBasePath;
    std::wstring recordPath = kPrinterNameRecordFile;  // where the printer's name is recorded
    bool quiet = false;  // nobody at the screen: the printer-setup commands must show nothing
    // What the driver is installed for: where /port:USB looks up the model's IDs in the INF,
    // and, on ARM64, whether the INF has a driver for it at all.
    DriverEnvironment environment = DriverEnvironment::X86;
    WindowsVersion windowsVersion{};
    DriverRoute driverRoute = DriverRoute::InProcess;
};

// How an installation ended: its exit code, and the system's error behind a failed step
// when the system gave one.
// Why the port could not be used, for the reason the log and the message give.
struct PortProblem {
    enum class Kind {
        None,
        Missing,             // the machine has no port of that name
        NoUsbPrinter,        // /port:USB found no USB printer for the model
        SeveralUsbPrinters,  // /port:USB found more than one
    };
    Kind kind = Kind::None;
    std::wstring port;     // Missing: the port asked for
    std::wstring listing;  // Missing: the ports there are; otherwise each USB printer port and its device's IDs

    friend bool operator==(const PortProblem&, const PortProblem&) = default;
};

// What most likely kept the driver out, when the driver command left none; or, on ARM64,
// why nothing was installed at all.
enum class MissingDriver {
    Unknown,        // the INF file could not be read
    NoSection,      // the INF file has no models section for this environment and Windows
    NotTrusted,     // it has one: the driver is most likely not signed by a publisher this PC trusts
    NoArm64Models,  // ARM64 Windows, and the INF has no models for it: the driver command never ran
};

struct InstallResult {
    ExitCode code = ExitCode::Installed;
    SystemError error = 0;
    // Whether the spooler had the driver after the driver command (nothing when the
    // command did not run): what a missing driver's why: line starts from.
    std::optional<bool> driverInstalled;
    PortProblem port{};
    // With driverInstalled false: the likely reason.
    MissingDriver missingDriver = MissingDriver::Unknown;
    // The whole name of the printer the installation created; empty when it created none.
    std::wstring printerName{};

    friend bool operator==(const InstallResult&, const InstallResult&) = default;
};

// The printer-setup command texts, exactly as handed over and written to the debugger.
// In a quiet run each ends with the entry point's quiet switch, " /q".
std::wstring DriverCommand(const std::wstring& infBasePath, bool quiet);
// An entry-point command as rundll32's command line.
std::wstring Rundll32Command(const std::wstring& entryPointCommand);
std::wstring PrinterCommand(const std::wstring& printerName, const std::wstring& infBasePath,
                            const std::wstring& portName, bool quiet);
std::wstring TestPageCommand(const std::wstring& printerName, bool quiet);

// Installs the driver, creates the printer under a free name, records the name, sets the
// default printer (see MakeDefaultPrinter), configures a COM port and prints a test page, as the request asks;
// from the name search on, one installation at a time on the machine.
InstallResult RunInstallation(const InstallRequest& request, const InstallSystem& system);

// The machine's one-installation-at-a-time lock, held for as long as this lives: taken
// at once, or after the other run that holds it has let go (which the debugger and the
// log are told), or, where the lock cannot be had at all, not taken (the log says so).
class InstallationTurn {
public:
    explicit InstallationTurn(const InstallSystem& system);
    ~InstallationTurn();
    InstallationTurn(const InstallationTurn&) = delete;
    InstallationTurn& operator=(const InstallationTurn&) = delete;

private:
    InstallationLock& lock_;
    bool held_ = false;
};
