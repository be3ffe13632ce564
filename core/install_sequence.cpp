#include "core/install_sequence.h"

#include <cstdio>
#include <optional>

#include "core/architecture.h"
#include "core/printer_name_record.h"
#include "core/serial_port.h"
#include "core/serial_tables.h"

namespace {

constexpr wchar_t kPrinterOpened[] = L"打开打印机成功！";
constexpr wchar_t kPrinterNotOpened[] = L"打开打印机失败！";
constexpr wchar_t kSpoolerRoute[] = L"it's 32 bit system!";
constexpr wchar_t kErrorQuitting[] = L"出现错误，退出！";

// A path with a space is split into several arguments unless quoted; one that already
// carries quotes is taken as the caller wrote it.
bool NeedsQuotes(const std::wstring& path) {
    return path.find(L' ') != std::wstring::npos && path.find(L'"') == std::wstring::npos;
}

std::wstring InfFile(const std::wstring& infBasePath, const wchar_t* extension) {
    if (NeedsQuotes(infBasePath)) return L"\"" + infBasePath + extension + L"\"";
    return infBasePath + extension;
}

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

std::wstring CopyName(const std::wstring& base, int copy) {
    return base + L"(copy of " + std::to_wstring(copy) + L")";
}

// The first candidate name that no printer uses, or nothing when every one is taken.
std::optional<std::wstring> ChooseFreePrinterName(const std::wstring& base, Spooler& spooler, DebugOutput& debug) {
    for (int copy = 0; copy <= kMaxPrinterCopies; ++copy) {
        std::wstring candidate = copy == 0 ? base : CopyName(base, copy);
        if (!spooler.PrinterExists(candidate)) {
            debug.Write(kPrinterNotOpened);
            return candidate;
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

}  // namespace

std::wstring DriverCommand(const std::wstring& infBasePath) {
    return L" /dd /ia /f " + InfFile(infBasePath, L".inf") + L" /m " + Quoted(kDriverModelName);
}

std::wstring PrinterCommand(const std::wstring& printerName, const std::wstring& infBasePath,
                            const std::wstring& portName) {
    return L"rundll32 printui.dll,PrintUIEntry /if /b " + Quoted(printerName) + L" /f " +
           InfFile(infBasePath, L".INF") + L" /r " + Quoted(portName) + L" /m " + Quoted(kDriverModelName);
}

std::wstring TestPageCommand(const std::wstring& printerName) {
    return L" /k /n " + Quoted(printerName);
}

ExitCode RunInstallation(const InstallSettings& settings, const std::wstring& basePrinterName,
                         const std::wstring& infBasePath, const InstallSystem& system) {
    // Nothing may be created from a record that points outside the tables.
    const auto port = TableEntry(PortNameTable, settings.portIndex);
    if (!port) {
        system.debug.Write(L"port index " + std::to_wstring(settings.portIndex) +
                           L" is outside the port table, nothing installed");
        return ExitCode::PrinterNotCreated;
    }
    const std::wstring portName(*port);
    const bool comPort = IsComPort(settings.portIndex);
    const auto serial = SerialSettingsFrom(settings);
    if (comPort && !serial) {
        system.debug.Write(L"a serial value index is outside its table, nothing installed");
        return ExitCode::PrinterNotCreated;
    }

    const std::unique_ptr<PrinterSetupLibrary> printui = system.printerSetup.Load();
    if (!printui) return ExitCode::PrinterSetupMissing;

    const auto printerName = ChooseFreePrinterName(basePrinterName, system.spooler, system.debug);
    if (!printerName) return ExitCode::PrinterNotCreated;

    const bool hasEntryPoint = printui->FindEntryPoint();
    const std::wstring driverCommand = DriverCommand(infBasePath);
    system.debug.Write(driverCommand);
    if (!hasEntryPoint) return ExitCode::PrinterSetupMissing;
    printui->RunCommand(driverCommand);

    const std::wstring printerCommand = PrinterCommand(*printerName, infBasePath, portName);
    system.debug.Write(printerCommand);
    // Whatever is buffered must reach the console before rundll32 shares it; if flushing
    // fails there is nothing better to do than go on.
    static_cast<void>(std::fflush(stdout));

    if (UsesCommandRoute(system.systemInfo.NativeProcessorArchitecture(), settings.osIndex)) {
        // rundll32 tells nothing of its success: the spooler has to show the printer.
        system.programRunner.RunSystemProgram(L"rundll32.exe", printerCommand);
        if (!system.spooler.PrinterExists(*printerName)) {
            system.debug.Write(kErrorQuitting);
            return ExitCode::PrinterNotCreated;
        }
    } else {
        system.debug.Write(kSpoolerRoute);
        if (!system.spooler.AddPrinter({*printerName, portName, kDriverModelName, kPrintProcessor})) {
            system.debug.Write(kErrorQuitting);
            return ExitCode::PrinterNotCreated;
        }
    }

    const PrinterNameRecordResult record = WritePrinterNameRecord(system.files, *printerName);
    ExitCode outcome = record.complete ? ExitCode::Installed : ExitCode::RecordFileIncomplete;

    if (settings.setAsDefault) system.spooler.SetDefaultPrinter(*printerName);
    if (settings.printTestPage) printui->RunCommand(TestPageCommand(*printerName));

    if (comPort && ConfigureSerialPort(system.commConfig, *serial, portName.substr(0, 4)) != 0 &&
        outcome == ExitCode::Installed) {
        outcome = ExitCode::SerialPortNotConfigured;
    }
    return outcome;
}
