#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class CommConfigStore;

// What the installation needs of the system. The Windows build implements these on
// the real platform; tests hand in recording fakes.

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

struct InstallSystem {
    PrinterSetup& printerSetup;
    Spooler& spooler;
    SystemInfo& systemInfo;
    ProgramRunner& programRunner;
    DebugOutput& debug;
    FileWriter& files;
    CommConfigStore& commConfig;
};
