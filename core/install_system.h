#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Everything the core asks of the system, and nothing else does: the Windows build
// implements these on the real platform (win/platform/), the unit tests and the fuzz
// targets hand in one recording fake (tests/support/fake_system.h).

// The system's error code of a call (GetLastError), 0 when it succeeded.
using SystemError = std::uint32_t;

// printui.dll, loaded for the length of one installation.
class PrinterSetupLibrary {
public:
    virtual ~PrinterSetupLibrary() = default;  // frees the library
    // Looks up PrintUIEntryW; false when the library lacks it.
    virtual bool FindEntryPoint() = 0;
    // Runs one command through the entry point, synchronously.
    virtual void RunCommand(const std::wstring& command) = 0;
};

class PrinterSetup {
public:
    virtual ~PrinterSetup() = default;
    // Null when the library is not available.
    virtual std::unique_ptr<PrinterSetupLibrary> Load() = 0;
};

// The fields of the printer description that are not zero or null.
struct PrinterDescription {
    std::wstring printerName;
    std::wstring portName;
    std::wstring driverName;
    std::wstring printProcessor;
};

// A printer opened with full access, for as long as the object lives.
class OpenedPrinter {
public:
    virtual ~OpenedPrinter() = default;  // closes it
    // The model its driver is.
    virtual std::wstring Driver() = 0;
    // Throws away the jobs waiting for it; the spooler may still finish the one it prints.
    virtual SystemError PurgeJobs() = 0;
    // Where the driver store keeps the INF its driver came from; empty, with the error,
    // when that cannot be read (systems before Vista keep no such path).
    virtual std::wstring DriverInfPath(SystemError& error) = 0;
    // Deletes the printer. With jobs still waiting it is only marked for deletion, and
    // goes once they are gone and the last handle to it is closed.
    virtual SystemError Delete() = 0;
};

// A USB printer port as the system's device list has it, with what is connected to it.
struct UsbPrinterPort {
    std::wstring port;              // the spooler's name for it: Base Name and Port Number, "USB002"
    std::vector<std::wstring> ids;  // the connected device's hardware IDs, then its compatible IDs

    bool operator==(const UsbPrinterPort&) const = default;
};

// Whether a printer exists: asked by the run, and by whoever watches it from another
// thread (the time limit).
class PrinterLookup {
public:
    virtual ~PrinterLookup() = default;
    // True when a printer of this name can be opened.
    virtual bool PrinterExists(const std::wstring& name) = 0;
};

class Spooler : public PrinterLookup {
public:
    // Creates the printer; kErrorPrinterAlreadyExists when another took the name first.
    virtual SystemError AddPrinter(const PrinterDescription& printer) = 0;
    // Makes the printer the default printer of the user the program runs as.
    virtual SystemError SetDefaultPrinter(const std::wstring& name) = 0;
    // Whether the model's driver is installed for this program's environment (a 64-bit
    // program's, or a 32-bit one's; on ARM64 the machine's own, whatever the program).
    virtual bool DriverInstalled(const std::wstring& model) = 0;
    // Opens a printer with full access; null, with the error, when it cannot be
    // (kErrorInvalidPrinterName when there is none of that name).
    virtual std::unique_ptr<OpenedPrinter> OpenForRemoval(const std::wstring& name, SystemError& error) = 0;
    // Whether a printer of this name is still there, marked for deletion or not; when the
    // spooler cannot tell, it counts as there.
    virtual bool PrinterRemains(const std::wstring& name) = 0;
    // The drivers of every printer there is, one entry a printer; nothing, with the error,
    // when the printers cannot be listed.
    virtual std::optional<std::vector<std::wstring>> DriversInUse(SystemError& error) = 0;
    // Removes the model's driver for the environment DriverInstalled asks of (kErrorPrinterDriverInUse
    // while the spooler still holds it for a printer that has just gone).
    virtual SystemError DeleteDriver(const std::wstring& model) = 0;
    // The ports the spooler lists (EnumPorts), in its order; nothing, with the error, when it cannot list them.
    virtual std::optional<std::vector<std::wstring>> Ports(SystemError& error) = 0;
    // Whether this system removes driver packages from its driver store (Vista and later).
    virtual bool OffersDriverPackageRemoval() = 0;
    // Removes the driver package of the INF (a driver store path) for the environment
    // DriverInstalled asks of.
    virtual SystemError DeleteDriverPackage(const std::wstring& infPath) = 0;
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // wProcessorArchitecture of the native system.
    virtual std::uint16_t NativeProcessorArchitecture() = 0;
    // The USB printer ports whose device is present, in the device list's order.
    virtual std::vector<UsbPrinterPort> UsbPrinterPorts() = 0;
    // Whether the program runs as the system account (S-1-5-18), as a deployment
    // system's service starts it: a default printer set there is no person's.
    virtual bool RunsAsSystemAccount() = 0;
};

// Keys below HKEY_LOCAL_MACHINE, `key` the path below it, in the system's own view (a
// 32-bit program on 64-bit Windows writes where 64-bit programs read).
class Registry {
public:
    virtual ~Registry() = default;
    // Sets a text value (REG_EXPAND_SZ when `expandable`, else REG_SZ), creating the key
    // when it is not there; the name "" is the key's default value.
    virtual SystemError SetString(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                                  bool expandable) = 0;
    // Sets a REG_DWORD value, creating the key when it is not there.
    virtual SystemError SetNumber(const std::wstring& key, const std::wstring& name, std::uint32_t value) = 0;
    // Deletes a key without subkeys; kErrorFileNotFound when there is none.
    virtual SystemError DeleteKey(const std::wstring& key) = 0;
};

// Which of the system's program folders a system program is started from.
enum class SystemFolder {
    Program,  // the system directory as this program sees it: a 32-bit program on 64-bit Windows gets SysWOW64's
    Native,   // the machine's own programs, which a 32-bit program under WOW64 reaches through Sysnative
};

class ProgramRunner {
public:
    virtual ~ProgramRunner() = default;
    // Starts `program` from that system folder with `commandLine` exactly as given and
    // waits for it to end. False when it could not be started.
    virtual bool RunSystemProgram(const std::wstring& program, const std::wstring& commandLine,
                                  SystemFolder folder) = 0;
};

// Where the lines of a run go.
class DebugOutput {
public:
    virtual ~DebugOutput() = default;
    // A line for the debugger output (and the log, when there is one).
    virtual void Write(const std::wstring& message) = 0;
    // A line for the log alone: the debugger output stays as it was.
    virtual void Note(const std::wstring& message) = 0;
};

// Whole files: the record file, and the INF file read.
class Files {
public:
    enum class Result { NotOpened, Written, WriteFailed };
    struct Outcome {
        Result result = Result::NotOpened;
        SystemError error = 0;
    };
    virtual ~Files() = default;
    // Replaces the file at `path` with `bytes` whole, or leaves it as it was.
    virtual Outcome WriteFile(const std::wstring& path, std::string_view bytes) = 0;
    // At most `limit` bytes of the file; nothing, with the error, when it cannot be read
    // (kErrorFileNotFound or kErrorPathNotFound when it, or its folder, is not there).
    virtual std::optional<std::string> ReadFile(const std::wstring& path, std::size_t limit, SystemError& error) = 0;
    // Deletes the file (a link as a link, never what it points to).
    virtual SystemError RemoveFile(const std::wstring& path) = 0;
    // The INF file, as ReadFile reads the record; but by its own path, wherever it is:
    // nothing is written or deleted there, and what it says decides no removal.
    virtual std::optional<std::string> ReadInf(const std::wstring& path, std::size_t limit, SystemError& error) = 0;
};

// A port's default line configuration as the system keeps it.
class CommConfigStore {
public:
    virtual ~CommConfigStore() = default;
    // Reads into `config`; `size` holds the buffer's byte count on entry and the count
    // supplied on return (on ERROR_INSUFFICIENT_BUFFER, the count needed).
    virtual bool GetDefaultConfig(const std::wstring& portName, std::span<std::byte> config, std::uint32_t& size) = 0;
    virtual bool SetDefaultConfig(const std::wstring& portName, std::span<const std::byte> config,
                                  std::uint32_t size) = 0;
    // The error code of the call that failed last.
    virtual std::uint32_t LastError() = 0;
};

// A file the lines of a run are appended to, one line each.
class LogFile {
public:
    virtual ~LogFile() = default;
    virtual void Append(const std::wstring& line) = 0;
};

// Keeps a run's lines whole and in order while a second thread writes too (the time
// limit's). The thread that holds it may take it again.
class OutputLock {
public:
    virtual ~OutputLock() = default;
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
};

// One installation or removal at a time on a machine.
class InstallationLock {
public:
    enum class State {
        Taken,        // this run holds it (also when a run that held it died)
        Busy,         // another run holds it
        Unavailable,  // it cannot be had (`Trouble`): runs go on without it
    };
    // Why an object of the lock's name is not taken for the lock. Only the administrators
    // and the system account make it, with access for no one else: an object that anyone
    // else could have made would let its maker hold up every installation for ever.
    enum class Distrust {
        None,          // no object to judge: it can be neither created nor opened
        NoAccessList,  // anyone may open and hold it
        OpenToOthers,  // its access list lets in others than the administrators and the system account
        ForeignOwner,  // its owner is neither of them, and may change its access list at will
        Unreadable,    // its owner and access list cannot be read
    };
    struct Trouble {
        SystemError error = 0;  // the system's, when a call failed
        Distrust distrust = Distrust::None;
    };
    virtual ~InstallationLock() = default;
    virtual State TryTake(Trouble& trouble) = 0;
    // Waits until the other run lets go (or dies); then this run holds it.
    virtual void WaitAndTake() = 0;
    // Lets go of it, once this run holds it.
    virtual void Release() = 0;
};

// The steps of an installation or a removal, as the time limit's line names them.
enum class RunStep {
    Starting,
    WaitingForAnotherInstallation,
    NameSearch,
    DriverInstallation,
    PrinterCreation,
    RecordFile,
    DefaultPrinter,
    ComPortConfiguration,
    TestPage,
    RecordReading,
    PrinterRemoval,
    DriverRemoval,
    RecordRemoval,
};

// What the run is doing now, for whoever watches it from outside (the time limit).
class Progress {
public:
    virtual ~Progress() = default;
    virtual void Enter(RunStep step) = 0;
    // The printer the run creates or removes, once it is known.
    virtual void Printer(const std::wstring& name) = 0;
};

// Time, for a run that waits for what the system does in its own time (a printer that
// goes once its jobs are gone, a driver the spooler still holds) or measures how long
// something takes. The fake moves its own time on and never sleeps.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds from a fixed moment of this run; never goes back.
    virtual std::uint64_t NowMilliseconds() = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // The wall clock: seconds since 1970-01-01 00:00:00 UTC.
    virtual std::int64_t UnixSeconds() = 0;
};

// What one installation or removal works with.
struct InstallSystem {
    PrinterSetup& printerSetup;
    Spooler& spooler;
    SystemInfo& systemInfo;
    ProgramRunner& programRunner;
    DebugOutput& debug;
    Files& files;
    CommConfigStore& commConfig;
    InstallationLock& lock;
    Progress& progress;
    Clock& clock;
    Registry& registry;
};
