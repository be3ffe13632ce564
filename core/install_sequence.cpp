#include "core/install_sequence.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "core/architecture.h"
#include "core/default_printer.h"
#include "core/ports.h"
#include "core/serial_port.h"
#include "core/serial_tables.h"
#include "core/system_errors.h"

namespace {

constexpr wchar_t kPrinterOpened[] = L"打开打印机成功！";
constexpr wchar_t kPrinterNotOpened[] = L"打开打印机失败！";
constexpr wchar_t kSpoolerRoute[] = L"it's 32 bit system!";
constexpr wchar_t kErrorQuitting[] = L"出现错误，退出！";
// rundll32's command line for the printer-setup entry point, before the entry point's own.
constexpr wchar_t kRundll32Entry[] = L"rundll32 printui.dll,PrintUIEntry";
// The printer-setup entry point's switch for showing nothing, not even an error.
constexpr wchar_t kQuietSwitch[] = L" /q";

// A path with a space is split into several arguments unless quoted; one that already
// carries quotes is taken as the caller wrote it.
bool NeedsQuotes(const std::wstring& path) {
    return path.find(L' ') != std::wstring::npos && path.find(L'"') == std::wstring::npos;
}

std::wstring InfPath(const std::wstring& infBasePath, const wchar_t* extension) {
    if (NeedsQuotes(infBasePath)) return L"\"" + infBasePath + extension + L"\"";
    return infBasePath + extension;
}

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

std::wstring Quiet(const std::wstring& command, bool quiet) {
    return quiet ? command + kQuietSwitch : command;
}

std::wstring CopyName(const std::wstring& base, int copy) {
    return base + std::wstring(kCopyOpen) + std::to_wstring(copy) + std::wstring(kCopyClose);
}

struct FreeName {
    std::wstring name;
    int copy;
};

// The first candidate name from copy `first` on that no printer uses, or nothing when
// every one is taken.
std::optional<FreeName> ChooseFreePrinterName(const std::wstring& base, int first, Spooler& spooler,
                                              DebugOutput& debug) {
    for (int copy = first; copy <= kMaxPrinterCopies; ++copy) {
        std::wstring candidate = copy == 0 ? base : CopyName(base, copy);
        if (!spooler.PrinterExists(candidate)) {
            debug.Write(kPrinterNotOpened);
            return FreeName{std::move(candidate), copy};
        }
        debug.Write(kPrinterOpened);
    }
    debug.Write(L"no free printer name: " + CopyName(base, 1) + L" to " + CopyName(base, kMaxPrinterCopies) +
                L" are all taken");
    return std::nullopt;
}

std::optional<SerialSettings> SerialSettingsFrom(const InstallSettings& settings) {
    const auto baud = TableEntry(BaudRateTable, settings.baudIndex);
    const auto byteSize = TableEntry(ByteSizeTable, settings.byteSizeIndex);
    const auto parity = TableEntry(ParityTable, settings.parityIndex);
    const auto stopBits = TableEntry(StopBitsTable, settings.stopBitsIndex);
    const auto flow = TableEntry(FlowControlTable, settings.flowControlIndex);
    if (!baud || !byteSize || !parity || !stopBits || !flow) return std::nullopt;
    return SerialSettings{*baud, *byteSize, *parity, *stopBits, *flow};
}

// Windows 8 on 64-bit Windows gets its printer from rundll32 instead of the spooler.
bool UsesCommandRoute(std::uint16_t architecture, OsChoice osIndex) {
    return Is64BitArchitecture(architecture) && osIndex == OsChoice::Windows8;
}

// An INF larger than this is no driver's.
constexpr std::size_t kInfSizeLimit = std::size_t{8} * 1024 * 1024;

// The driver's INF file as the installation reads it; nothing (with a log line) when it
// cannot be read.
std::optional<InfFile> ReadInf(const InstallRequest& request, const InstallSystem& system) {
    SystemError error = 0;
    const std::wstring path = request.infBasePath + L".inf";
    const auto bytes = system.files.ReadInf(path, kInfSizeLimit, error);
    if (!bytes) {
        system.debug.Note(L"the INF file " + path + L" cannot be read: error " + std::to_wstring(error));
        return std::nullopt;
    }
    return InfFile::Parse(*bytes);
}

// Why the driver command left no driver: an INF without a section for this system, or
// (in a quiet run most of all, where nobody answers Windows' question) a publisher this
// PC does not trust.
MissingDriver WhyNoDriver(const InstallRequest& request, const InstallSystem& system) {
    const auto inf = ReadInf(request, system);
    if (!inf) return MissingDriver::Unknown;
    const bool has = inf->HasModelsFor(request.environment, request.windowsVersion);
    system.debug.Note(std::wstring(L"the INF file ") + (has ? L"has a" : L"has no") + L" models section for " +
                      SpoolerEnvironmentName(request.environment) + L" on Windows " +
                      std::to_wstring(request.windowsVersion.major) + L"." +
                      std::to_wstring(request.windowsVersion.minor));
    return has ? MissingDriver::NotTrusted : MissingDriver::NoSection;
}

// ARM64 Windows runs no driver built for another processor. An INF without ARM64 models
// would fail only after the printer-setup commands; it ends the run before anything is
// installed instead. An INF that cannot be read is left to the driver command.
bool LacksArm64Models(const InstallRequest& request, const InstallSystem& system) {
    if (request.environment != DriverEnvironment::Arm64) return false;
    const auto inf = ReadInf(request, system);
    if (!inf || inf->HasModelsFor(DriverEnvironment::Arm64, request.windowsVersion)) return false;
    const WindowsVersion& version = request.windowsVersion;
    system.debug.Note(L"the INF file " + request.infBasePath + L".inf has no models section for " +
                      SpoolerEnvironmentName(DriverEnvironment::Arm64) + L" on Windows " +
                      std::to_wstring(version.major) + L"." + std::to_wstring(version.minor) + L"." +
                      std::to_wstring(version.build) + L": nothing is installed");
    return true;
}

// The IDs the INF names the model by, for this environment and Windows; none when the
// INF cannot be read or lacks the model.
std::vector<std::wstring> ModelIds(const InstallRequest& request, const InstallSystem& system) {
    const auto inf = ReadInf(request, system);
    if (!inf) return {};
    const std::wstring path = request.infBasePath + L".inf";
    const auto model = inf->FindModel(kDriverModelName, request.environment, request.windowsVersion);
    if (!model) {
        system.debug.Note(L"the INF file " + path + L" has no model " + std::wstring(kDriverModelName) +
                          L" for this Windows");
        return {};
    }
    return model->ids;
}

// /port:USB: the port of the USB printer that is the model, or of the only one there is.
InstallResult FindUsbPort(const InstallRequest& request, const InstallSystem& system, std::wstring& port) {
    const std::vector<UsbPrinterPort> usb = system.systemInfo.UsbPrinterPorts();
    const UsbPortSearch search = FindUsbPrinterPort(usb, ModelIds(request, system));
    switch (search.outcome) {
        case UsbPortSearch::Outcome::Found:
            port = search.port;
            system.debug.Write(L"the USB printer's port is " + port +
                               (search.matched ? L": its device is the model " + std::wstring(kDriverModelName)
                                               : std::wstring(L": the only USB printer connected")));
            return {};
        case UsbPortSearch::Outcome::SeveralMatch:
            return {ExitCode::PrinterNotCreated,
                    0,
                    std::nullopt,
                    {PortProblem::Kind::SeveralUsbPrinters, L"", DescribeUsbPorts(usb)}};
        case UsbPortSearch::Outcome::NotFound:
            break;
    }
    return {
        ExitCode::PrinterNotCreated, 0, std::nullopt, {PortProblem::Kind::NoUsbPrinter, L"", DescribeUsbPorts(usb)}};
}

// The port the printer goes on, once the machine is known to have it: Windows creates no
// printer on a port it lacks, and finds that out only after the driver is installed.
// /port:USB becomes the USB printer's port first.
InstallResult PortOnThisMachine(const InstallRequest& request, const InstallSystem& system, std::wstring& port) {
    if (port == kFindUsbPort) {
        if (InstallResult found = FindUsbPort(request, system, port); found.code != ExitCode::Installed) return found;
    }
    SystemError error = 0;
    const auto ports = system.spooler.Ports(error);
    if (!ports) {
        system.debug.Note(L"the spooler's ports cannot be listed: error " + std::to_wstring(error) + L"; the port " +
                          port + L" is taken as it is");
        return {};
    }
    const auto same = [&](const std::wstring& name) { return SpoolerPortName(name) == SpoolerPortName(port); };
    if (std::any_of(ports->begin(), ports->end(), same)) return {};
    std::wstring listing;
    for (const std::wstring& name : *ports) listing += (listing.empty() ? L"" : L", ") + name;
    return {ExitCode::PrinterNotCreated, kErrorUnknownPort, std::nullopt, {PortProblem::Kind::Missing, port, listing}};
}

// Creates the printer under the first free name, by the route the system and the
// choice of operating system call for. Another program may take the name between the
// search and the creation: the search then goes on from the next copy.
InstallResult CreatePrinter(const InstallRequest& request, const InstallSystem& system, PrinterSetupLibrary& printui,
                            const std::wstring& portName, std::wstring& printerName) {
    Spooler& spooler = system.spooler;
    DebugOutput& debug = system.debug;
    system.progress.Enter(RunStep::NameSearch);
    std::optional<FreeName> free = ChooseFreePrinterName(request.basePrinterName, 0, spooler, debug);
    if (!free) return {ExitCode::PrinterNotCreated, 0, std::nullopt};
    system.progress.Printer(free->name);

    system.progress.Enter(RunStep::DriverInstallation);
    const bool hasEntryPoint = printui.FindEntryPoint();
    const bool throughRundll32 = request.driverRoute != DriverRoute::InProcess;
    const std::wstring driverCommand = DriverCommand(request.infBasePath, request.quiet);
    debug.Write(throughRundll32 ? Rundll32Command(driverCommand) : driverCommand);
    if (!hasEntryPoint) return {ExitCode::PrinterSetupMissing, 0, std::nullopt};
    if (throughRundll32) {
        system.programRunner.RunSystemProgram(L"rundll32.exe", Rundll32Command(driverCommand),
                                              Rundll32Folder(request.driverRoute));
    } else {
        printui.RunCommand(driverCommand);
    }
    // The entry point tells nothing of its success; the spooler knows whether it worked.
    const bool driverInstalled = spooler.DriverInstalled(kDriverModelName);
    debug.Note(L"the driver " + std::wstring(kDriverModelName) + (driverInstalled ? L" is" : L" is not") +
               L" installed for this program's environment");
    const auto ended = [driverInstalled](ExitCode code, SystemError error = 0) {
        return InstallResult{code, error, driverInstalled};
    };

    system.progress.Enter(RunStep::PrinterCreation);
    std::optional<bool> commandRoute;
    for (;;) {
        const std::wstring printerCommand = PrinterCommand(free->name, request.infBasePath, portName, request.quiet);
        debug.Write(printerCommand);
        // Whatever is buffered must reach the console before rundll32 shares it; if
        // flushing fails there is nothing better to do than go on.
        static_cast<void>(std::fflush(stdout));
        if (!commandRoute) {
            commandRoute = UsesCommandRoute(system.systemInfo.NativeProcessorArchitecture(), request.settings.osIndex);
        }
        SystemError error = 0;
        if (*commandRoute) {
            // rundll32 tells nothing of its success: the spooler has to show the printer.
            system.programRunner.RunSystemProgram(L"rundll32.exe", printerCommand, Rundll32Folder(request.driverRoute));
            if (!spooler.PrinterExists(free->name)) {
                debug.Write(kErrorQuitting);
                return ended(ExitCode::PrinterNotCreated);
            }
        } else {
            debug.Write(kSpoolerRoute);
            error = spooler.AddPrinter({free->name, portName, kDriverModelName, kPrintProcessor});
        }
        if (error == kErrorPrinterAlreadyExists) {
            free = ChooseFreePrinterName(request.basePrinterName, free->copy + 1, spooler, debug);
            if (!free) return ended(ExitCode::PrinterNotCreated, error);
            system.progress.Printer(free->name);
            continue;
        }
        if (error != 0) {
            debug.Write(kErrorQuitting);
            return ended(ExitCode::PrinterNotCreated, error);
        }
        printerName = free->name;
        return ended(ExitCode::Installed);
    }
}

// The line of a run that goes on without the lock, with why it could not be had.
std::wstring UnavailableLockLine(const InstallationLock::Trouble& trouble) {
    const std::wstring lock = L"the lock that keeps installations apart ";
    const std::wstring notOurs = lock + L"was not made by Kestrin: ";
    const std::wstring error = L"error " + std::to_wstring(trouble.error);
    std::wstring why;
    switch (trouble.distrust) {
        case InstallationLock::Distrust::None:
            why = lock + L"can be neither created nor opened: " + error;
            break;
        case InstallationLock::Distrust::NoAccessList:
            why = notOurs + L"it has no access list, anyone may hold it";
            break;
        case InstallationLock::Distrust::OpenToOthers:
            why = notOurs + L"its access list lets in others than the administrators and the system account";
            break;
        case InstallationLock::Distrust::ForeignOwner:
            why = notOurs + L"its owner is neither the administrators nor the system account";
            break;
        case InstallationLock::Distrust::Unreadable:
            why = lock + L"cannot be checked: its owner and access list cannot be read: " + error;
            break;
    }
    return why + L"; going on without it";
}

}  // namespace

InstallationTurn::InstallationTurn(const InstallSystem& system) : lock_(system.lock) {
    InstallationLock::Trouble trouble;
    switch (lock_.TryTake(trouble)) {
        case InstallationLock::State::Taken:
            held_ = true;
            break;
        case InstallationLock::State::Busy:
            system.progress.Enter(RunStep::WaitingForAnotherInstallation);
            system.debug.Write(L"waiting for another installation to end");
            lock_.WaitAndTake();
            held_ = true;
            break;
        case InstallationLock::State::Unavailable:
            system.debug.Note(UnavailableLockLine(trouble));
            break;
    }
}

InstallationTurn::~InstallationTurn() {
    if (held_) lock_.Release();
}

bool IsFullPath(std::wstring_view path) {
    const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const bool unc = path.size() >= 2 && separator(path[0]) && separator(path[1]);
    const bool letter =
        path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
    return unc || (letter && path[1] == L':' && separator(path[2]));
}

std::wstring FullInfBasePath(const std::wstring& infBasePath,
                             const std::function<std::wstring(const std::wstring&)>& makeFull) {
    const bool enclosed = infBasePath.size() >= 2 && infBasePath.front() == L'"' && infBasePath.back() == L'"';
    const std::wstring inside = enclosed ? infBasePath.substr(1, infBasePath.size() - 2) : infBasePath;
    if (inside.empty() || IsFullPath(inside)) return infBasePath;
    const std::wstring full = makeFull(inside);
    if (full.empty()) return infBasePath;
    return enclosed ? L"\"" + full + L"\"" : full;
}

std::wstring DriverCommand(const std::wstring& infBasePath, bool quiet) {
    return Quiet(L" /dd /ia /f " + InfPath(infBasePath, L".inf") + L" /m " + Quoted(kDriverModelName), quiet);
}

std::wstring Rundll32Command(const std::wstring& entryPointCommand) {
    return std::wstring(kRundll32Entry) + entryPointCommand;
}

std::wstring PrinterCommand(const std::wstring& printerName, const std::wstring& infBasePath,
                            const std::wstring& portName, bool quiet) {
    return Quiet(Rundll32Command(L" /if /b ") + Quoted(printerName) + L" /f " + InfPath(infBasePath, L".INF") +
                     L" /r " + Quoted(portName) + L" /m " + Quoted(kDriverModelName),
                 quiet);
}

std::wstring TestPageCommand(const std::wstring& printerName, bool quiet) {
    return Quiet(L" /k /n " + Quoted(printerName), quiet);
}

InstallResult RunInstallation(const InstallRequest& request, const InstallSystem& system) {
    const InstallSettings& settings = request.settings;
    // Nothing may be created from a record that points outside the tables, nor on a port
    // the machine does not have.
    const auto chosen = ChosenPort(settings.portIndex, settings.portName);
    if (!chosen) {
        system.debug.Write(L"port index " + std::to_wstring(settings.portIndex) +
                           L" is outside the port table, nothing installed");
        return {ExitCode::PrinterNotCreated, 0, std::nullopt};
    }
    std::wstring portName = *chosen;
    const bool comPort = IsComPortName(portName);
    const auto serial = SerialSettingsFrom(settings);
    if (comPort && !serial) {
        system.debug.Write(L"a serial value index is outside its table, nothing installed");
        return {ExitCode::PrinterNotCreated, 0, std::nullopt};
    }
    if (LacksArm64Models(request, system)) {
        InstallResult refused{ExitCode::PrinterNotCreated, 0, std::nullopt};
        refused.missingDriver = MissingDriver::NoArm64Models;
        return refused;
    }
    if (InstallResult there = PortOnThisMachine(request, system, portName); there.code != ExitCode::Installed) {
        return there;
    }

    const std::unique_ptr<PrinterSetupLibrary> printui = system.printerSetup.Load();
    if (!printui) return {ExitCode::PrinterSetupMissing, 0, std::nullopt};

    const InstallationTurn turn(system);
    std::wstring printerName;
    InstallResult result = CreatePrinter(request, system, *printui, portName, printerName);
    if (result.code != ExitCode::Installed) {
        if (result.code == ExitCode::PrinterNotCreated && result.driverInstalled == false) {
            result.missingDriver = WhyNoDriver(request, system);
        }
        return result;
    }

    result.printerName = printerName;

    system.progress.Enter(RunStep::RecordFile);
    const PrinterNameRecordResult record = WritePrinterNameRecord(system.files, request.recordPath, printerName);
    if (!record.complete) {
        result.code = ExitCode::RecordFileIncomplete;
        result.error = record.error;
        if (record.error == kErrorInvalidOwner) {
            system.debug.Write(L"the record file " + request.recordPath + L" " + std::wstring(kRecordOwnerNotTrusted) +
                               L", and another program holds it open: it is not written in place");
        }
    }

    if (settings.setAsDefault) {
        system.progress.Enter(RunStep::DefaultPrinter);
        MakeDefaultPrinter(printerName, system);
    }
    // The port's line settings come before the test page, or the page goes out at the
    // port's old speed.
    if (comPort) {
        system.progress.Enter(RunStep::ComPortConfiguration);
        const SystemError error = ConfigureSerialPort(system.commConfig, *serial, ComDeviceName(portName));
        if (error != 0 && result.code == ExitCode::Installed) {
            result.code = ExitCode::SerialPortNotConfigured;
            result.error = error;
        }
    }
    if (settings.printTestPage) {
        system.progress.Enter(RunStep::TestPage);
        printui->RunCommand(TestPageCommand(printerName, request.quiet));
    }
    return result;
}
