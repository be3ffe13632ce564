#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

// Everything the core asks of the system, and nothing else does: the Windows build
// implements these on the real platform (win/platform/), the unit tests and the fuzz
// targets hand in one recording fake (tests/support/fake_system.h).

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

class Spooler {
public:
    virtual ~Spooler() = default;
    // True when a printer of this name can be opened.
    virtual bool PrinterExists(const std::wstring& name) = 0;
    // True when the spooler created the printer.
    virtual bool AddPrinter(const PrinterDescription& printer) = 0;
    virtual void SetDefaultPrinter(const std::wstring& name) = 0;
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // wProcessorArchitecture of the native system.
    virtual std::uint16_t NativeProcessorArchitecture() = 0;
};

class ProgramRunner {
public:
    virtual ~ProgramRunner() = default;
    // Starts `program` from the system directory with `commandLine` exactly as given
    // and waits for it to end. False when it could not be started.
    virtual bool RunSystemProgram(const std::wstring& program, const std::wstring& commandLine) = 0;
};

class DebugOutput {
public:
    virtual ~DebugOutput() = default;
    virtual void Write(const std::wstring& message) = 0;
};

// Whole-file writes in the current directory.
class FileWriter {
public:
    enum class Result { NotOpened, Written, WriteFailed };
    virtual ~FileWriter() = default;
    virtual Result WriteFile(const std::string& name, std::string_view bytes) = 0;
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

// What one installation works with.
struct InstallSystem {
    PrinterSetup& printerSetup;
    Spooler& spooler;
    SystemInfo& systemInfo;
    ProgramRunner& programRunner;
    DebugOutput& debug;
    FileWriter& files;
    CommConfigStore& commConfig;
};
