#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/comm_layout.h"
#include "core/install_system.h"
#include "core/serial_port.h"
#include "core/system_errors.h"

using comm_layout::ReadField;

// Stands in for the whole system, COM ports included, in the unit tests and the fuzz
// targets alike. Its fields say how it answers; every call is recorded, in order, as one
// line of text ("OpenPrinter Kiosk1"), and what a call handed over is kept beside it.
class FakeSystem final : public PrinterSetup,
                         public Spooler,
                         public SystemInfo,
                         public ProgramRunner,
                         public DebugOutput,
                         public Files,
                         public CommConfigStore,
                         public InstallationLock,
                         public Progress,
                         public Clock,
                         public Registry {
public:
    // What the system looks like.
    bool hasPrinterSetup = true;
    bool hasEntryPoint = true;
    std::uint16_t architecture = 0;  // x86
    std::set<std::wstring> printers;
    std::map<std::wstring, std::wstring> printerDrivers;  // a printer's driver, when not the Tavik model
    std::uint64_t takenChecks = 0;             // the first this many existence checks find a printer, whatever the name
    std::deque<SystemError> addPrinterErrors;  // AddPrinter's answers in turn; 0 (created) once they are used up
    bool runnerCreatesPrinter = true;          // rundll32 really creates the printer
    bool driverInstalled = true;               // after the driver command
    SystemError openError = 0;                 // OpenForRemoval fails so, for a printer that exists
    SystemError purgeError = 0;
    SystemError deletePrinterError = 0;
    std::uint32_t lookupsUntilGone = 0;          // a deleted printer is still found by this many lookups
    SystemError listError = 0;                   // DriversInUse fails so
    std::deque<SystemError> deleteDriverErrors;  // DeleteDriver's answers in turn, then deleteDriverError
    SystemError deleteDriverError = 0;
    bool offersPackageRemoval = true;
    std::wstring infPath = L"C:\\Windows\\System32\\DriverStore\\FileRepository\\tavik.inf_x86\\tavik.inf";
    SystemError infPathError = 0;  // the INF path cannot be read
    SystemError deletePackageError = 0;
    Files::Result fileResult = Files::Result::Written;
    SystemError fileError = 0;    // with a file result other than Written
    SystemError readError = 0;    // ReadFile fails so, for a file that exists
    SystemError deleteError = 0;  // RemoveFile fails so, for a file that exists
    InstallationLock::State lockState = InstallationLock::State::Taken;
    InstallationLock::Trouble lockTrouble;
    // The spooler's port list: Wine's own, and USB001 as on a machine that has seen a USB printer.
    std::vector<std::wstring> spoolerPorts = {L"COM1:", L"COM2:", L"COM3:", L"COM4:", L"FILE:",
                                              L"LPT1:", L"LPT2:", L"LPT3:", L"USB001"};
    SystemError portsError = 0;  // non-zero: the port list cannot be had
    std::vector<UsbPrinterPort> usbPrinters;
    std::function<void()> whileWaiting;  // what another run does while this one waits for the lock
    bool systemAccount = false;          // the program runs as the system account
    SystemError setDefaultError = 0;     // SetDefaultPrinter fails so
    // The registry calls' answers in turn, whatever the call; then 0 (or, for a key that is
    // not there, kErrorFileNotFound) once they are used up.
    std::deque<SystemError> registryErrors;
    std::int64_t unixSeconds = 1796738587;  // the wall clock at the start: 2026-12-08 14:03:07 UTC

    // The COM ports: what each stores, and how the comm-configuration calls answer.
    std::map<std::wstring, std::vector<std::byte>> ports;
    std::uint32_t requiredSize = comm_layout::kConfigSize;  // a smaller buffer gets ERROR_INSUFFICIENT_BUFFER
    std::optional<std::uint32_t> reportedSize;              // what a good read claims to supply, if not the truth
    std::uint32_t failingReads = 0;                         // bit n: read n (from 0) fails with commError
    bool writeFails = false;                                // every write fails with commError
    std::uint32_t commError = 0;

    // What happened.
    struct CommRead {
        std::uint32_t sizeIn;
        bool ok;
        std::uint32_t sizeOut;
        std::vector<std::byte> buffer;  // the caller's whole buffer once the read is done
    };
    struct CommWrite {
        std::uint32_t size;
        std::vector<std::byte> bytes;  // what the system took: `size` bytes, or fewer if the buffer is shorter
    };
    std::vector<std::wstring> calls;
    std::map<std::wstring, std::string> files;
    std::vector<RunStep> steps;  // as the run entered them
    std::wstring progressPrinter;
    std::wstring defaultPrinter;
    std::vector<CommRead> commReads;
    std::vector<CommWrite> commWrites;
    std::uint64_t now = 0;  // the clock, in milliseconds: only Sleep moves it
    // HKEY_LOCAL_MACHINE's keys that the run wrote: each value's name, then its type and data.
    std::map<std::wstring, std::map<std::wstring, std::wstring>> registryKeys;

    InstallSystem System() { return {*this, *this, *this, *this, *this, *this, *this, *this, *this, *this, *this}; }

    std::unique_ptr<PrinterSetupLibrary> Load() override {
        calls.push_back(L"LoadLibrary printui.dll");
        if (!hasPrinterSetup) return nullptr;
        return std::make_unique<Library>(*this);
    }

    bool PrinterExists(const std::wstring& name) override {
        calls.push_back(L"OpenPrinter " + name);
        return ++existenceChecks_ <= takenChecks || printers.contains(name);
    }

    SystemError AddPrinter(const PrinterDescription& p) override {
        calls.push_back(L"AddPrinter " + p.printerName + L" | " + p.portName + L" | " + p.driverName + L" | " +
                        p.printProcessor);
        SystemError error = 0;
        if (!addPrinterErrors.empty()) {
            error = addPrinterErrors.front();
            addPrinterErrors.pop_front();
        }
        if (error == 0) printers.insert(p.printerName);
        return error;
    }

    SystemError SetDefaultPrinter(const std::wstring& name) override {
        calls.push_back(L"SetDefaultPrinter " + name);
        if (setDefaultError == 0) defaultPrinter = name;
        return setDefaultError;
    }

    bool DriverInstalled(const std::wstring& model) override {
        calls.push_back(L"DriverInstalled " + model);
        return driverInstalled;
    }

    std::unique_ptr<OpenedPrinter> OpenForRemoval(const std::wstring& name, SystemError& error) override {
        calls.push_back(L"OpenForRemoval " + name);
        error = printers.contains(name) ? openError : kErrorInvalidPrinterName;
        if (error != 0) return nullptr;
        return std::make_unique<Opened>(*this, name);
    }

    bool PrinterRemains(const std::wstring& name) override {
        calls.push_back(L"PrinterRemains " + name);
        if (deleting_.contains(name)) {
            if (lookupsUntilGone > 0) {
                --lookupsUntilGone;
                return true;
            }
            deleting_.erase(name);
            printers.erase(name);
        }
        return printers.contains(name);
    }

    std::optional<std::vector<std::wstring>> DriversInUse(SystemError& error) override {
        calls.push_back(L"DriversInUse");
        error = listError;
        if (error != 0) return std::nullopt;
        std::vector<std::wstring> drivers;
        for (const std::wstring& printer : printers) drivers.push_back(DriverOf(printer));
        return drivers;
    }

    SystemError DeleteDriver(const std::wstring& model) override {
        calls.push_back(L"DeleteDriver " + model);
        if (deleteDriverErrors.empty()) return deleteDriverError;
        const SystemError error = deleteDriverErrors.front();
        deleteDriverErrors.pop_front();
        return error;
    }

    bool OffersDriverPackageRemoval() override { return offersPackageRemoval; }

    SystemError DeleteDriverPackage(const std::wstring& path) override {
        calls.push_back(L"DeleteDriverPackage " + path);
        return deletePackageError;
    }

    std::optional<std::vector<std::wstring>> Ports(SystemError& error) override {
        calls.push_back(L"EnumPorts");
        error = portsError;
        if (error != 0) return std::nullopt;
        return spoolerPorts;
    }

    std::vector<UsbPrinterPort> UsbPrinterPorts() override {
        calls.push_back(L"UsbPrinterPorts");
        return usbPrinters;
    }

    bool RunsAsSystemAccount() override { return systemAccount; }

    SystemError SetString(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                          bool expandable) override {
        return SetValue(key, name, (expandable ? L"REG_EXPAND_SZ " : L"REG_SZ ") + value);
    }

    SystemError SetNumber(const std::wstring& key, const std::wstring& name, std::uint32_t value) override {
        return SetValue(key, name, L"REG_DWORD " + std::to_wstring(value));
    }

    SystemError DeleteKey(const std::wstring& key) override {
        calls.push_back(L"RegDeleteKey " + key);
        const SystemError error = NextRegistryError();
        if (error != 0) return error;
        return registryKeys.erase(key) == 1 ? 0 : kErrorFileNotFound;
    }

    std::uint16_t NativeProcessorArchitecture() override {
        calls.push_back(L"GetNativeSystemInfo");
        return architecture;
    }

    bool RunSystemProgram(const std::wstring& program, const std::wstring& commandLine, SystemFolder folder) override {
        calls.push_back(L"Run " + std::wstring(folder == SystemFolder::Native ? L"Sysnative " : L"") + program +
                        L" | " + commandLine);
        // The name between the quotes after "/b", as rundll32 would take it; the driver
        // command names no printer.
        const auto b = commandLine.find(L"/b \"");
        if (runnerCreatesPrinter && b != std::wstring::npos) {
            const auto start = b + 4;
            printers.insert(commandLine.substr(start, commandLine.find(L'"', start) - start));
        }
        return true;
    }

    void Write(const std::wstring& message) override { calls.push_back(L"debug " + message); }
    void Note(const std::wstring& message) override { calls.push_back(L"note " + message); }

    Outcome WriteFile(const std::wstring& path, std::string_view bytes) override {
        calls.push_back(L"WriteFile " + path);
        if (fileResult == Result::Written) files[path] = bytes;
        return {fileResult, fileResult == Result::Written ? 0 : fileError};
    }

    std::optional<std::string> ReadFile(const std::wstring& path, std::size_t limit, SystemError& error) override {
        calls.push_back(L"ReadFile " + path);
        const auto file = files.find(path);
        error = file == files.end() ? kErrorFileNotFound : readError;
        if (error != 0) return std::nullopt;
        return file->second.substr(0, limit);
    }

    // Recorded as a read of the record is: one map of files stands for the disk.
    std::optional<std::string> ReadInf(const std::wstring& path, std::size_t limit, SystemError& error) override {
        return ReadFile(path, limit, error);
    }

    SystemError RemoveFile(const std::wstring& path) override {
        calls.push_back(L"RemoveFile " + path);
        if (!files.contains(path)) return kErrorFileNotFound;
        if (deleteError == 0) files.erase(path);
        return deleteError;
    }

    bool GetDefaultConfig(const std::wstring& portName, std::span<std::byte> config, std::uint32_t& size) override {
        calls.push_back(L"GetDefaultCommConfig " + portName);
        CommRead read{size, false, 0, {}};
        const auto port = ports.find(portName);
        if (commReads.size() < 32 && ((failingReads >> commReads.size()) & 1u) != 0) {
            lastError_ = commError;
        } else if (port == ports.end()) {
            lastError_ = 1010;  // ERROR_BADKEY
        } else if (size < requiredSize) {
            size = requiredSize;
            lastError_ = kErrorInsufficientBuffer;
        } else {
            // The system fills as many bytes as it is told the buffer holds.
            std::copy_n(port->second.begin(), std::min({port->second.size(), std::size_t{size}, config.size()}),
                        config.begin());
            size = reportedSize.value_or(static_cast<std::uint32_t>(port->second.size()));
            read.ok = true;
        }
        read.sizeOut = size;
        read.buffer.assign(config.begin(), config.end());
        commReads.push_back(std::move(read));
        return commReads.back().ok;
    }

    bool SetDefaultConfig(const std::wstring& portName, std::span<const std::byte> config,
                          std::uint32_t size) override {
        calls.push_back(L"SetDefaultCommConfig " + portName);
        const auto taken = config.first(std::min<std::size_t>(size, config.size()));
        commWrites.push_back({size, {taken.begin(), taken.end()}});
        if (writeFails) {
            lastError_ = commError;
        } else {
            ports[portName].assign(taken.begin(), taken.end());
        }
        return !writeFails;
    }

    std::uint32_t LastError() override { return lastError_; }

    State TryTake(Trouble& trouble) override {
        calls.push_back(L"TryTake lock");
        trouble = lockTrouble;
        return lockState;
    }
    void WaitAndTake() override {
        calls.push_back(L"WaitAndTake lock");
        if (whileWaiting) whileWaiting();
    }
    void Release() override { calls.push_back(L"Release lock"); }

    void Enter(RunStep step) override { steps.push_back(step); }
    void Printer(const std::wstring& name) override { progressPrinter = name; }

    // Virtual time: a wait takes none of the test's.
    std::uint64_t NowMilliseconds() override { return now; }
    void Sleep(std::uint32_t milliseconds) override {
        calls.push_back(L"Sleep " + std::to_wstring(milliseconds));
        now += milliseconds;
    }
    // Moves on with the fake's time, and by a second at each reading, so that every
    // installation on the same fake reads a later time than the one before.
    std::int64_t UnixSeconds() override {
        return unixSeconds + static_cast<std::int64_t>(now / 1000) + wallClockReadings_++;
    }

    std::wstring DriverOf(const std::wstring& printer) const {
        const auto driver = printerDrivers.find(printer);
        return driver == printerDrivers.end() ? L"Tavik 10.0.0.11" : driver->second;
    }

private:
    SystemError NextRegistryError() {
        if (registryErrors.empty()) return 0;
        const SystemError error = registryErrors.front();
        registryErrors.pop_front();
        return error;
    }

    SystemError SetValue(const std::wstring& key, const std::wstring& name, const std::wstring& typeAndData) {
        calls.push_back(L"RegSetValue " + key + L" | " + name + L" | " + typeAndData);
        const SystemError error = NextRegistryError();
        if (error == 0) registryKeys[key][name] = typeAndData;
        return error;
    }

    class Opened final : public OpenedPrinter {
    public:
        Opened(FakeSystem& system, std::wstring name) : system_(system), name_(std::move(name)) {}
        ~Opened() override { system_.calls.push_back(L"ClosePrinter " + name_); }
        std::wstring Driver() override { return system_.DriverOf(name_); }
        SystemError PurgeJobs() override {
            system_.calls.push_back(L"PurgeJobs " + name_);
            return system_.purgeError;
        }
        std::wstring DriverInfPath(SystemError& error) override {
            system_.calls.push_back(L"DriverInfPath " + name_);
            error = system_.infPathError;
            return error == 0 ? system_.infPath : L"";
        }
        // A printer whose jobs are not yet gone stays for `lookupsUntilGone` lookups.
        SystemError Delete() override {
            system_.calls.push_back(L"DeletePrinter " + name_);
            if (system_.deletePrinterError != 0) return system_.deletePrinterError;
            if (system_.lookupsUntilGone == 0) {
                system_.printers.erase(name_);
            } else {
                system_.deleting_.insert(name_);
            }
            return 0;
        }

    private:
        FakeSystem& system_;
        std::wstring name_;
    };

    class Library final : public PrinterSetupLibrary {
    public:
        explicit Library(FakeSystem& system) : system_(system) {}
        ~Library() override { system_.calls.push_back(L"FreeLibrary printui.dll"); }
        bool FindEntryPoint() override {
            system_.calls.push_back(L"GetProcAddress PrintUIEntryW");
            return system_.hasEntryPoint;
        }
        void RunCommand(const std::wstring& command) override { system_.calls.push_back(L"PrintUIEntryW " + command); }

    private:
        FakeSystem& system_;
    };

    std::uint64_t existenceChecks_ = 0;
    std::int64_t wallClockReadings_ = 0;
    std::uint32_t lastError_ = 0;
    std::set<std::wstring> deleting_;  // marked for deletion, still there
};
