#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/install_system.h"
#include "tests/support/fake_comm_config.h"

// Stands in for the whole system and records every call, in order, as one line of text.
class FakeSystem final : public PrinterSetup,
                         public Spooler,
                         public SystemInfo,
                         public ProgramRunner,
                         public DebugOutput,
                         public FileWriter {
public:
    // What the system looks like.
    bool hasPrinterSetup = true;
    bool hasEntryPoint = true;
    std::uint16_t architecture = 0;  // x86
    std::set<std::wstring> printers;
    bool addPrinterSucceeds = true;
    bool runnerCreatesPrinter = true;  // rundll32 really creates the printer
    FileWriter::Result fileResult = FileWriter::Result::Written;
    FakeCommConfigStore comm;

    // What happened.
    std::vector<std::wstring> calls;
    std::vector<std::wstring> debugLines;
    std::map<std::string, std::string> files;
    std::wstring defaultPrinter;

    InstallSystem System() { return {*this, *this, *this, *this, *this, *this, comm}; }

    std::unique_ptr<PrinterSetupLibrary> Load() override {
        calls.push_back(L"LoadLibrary printui.dll");
        if (!hasPrinterSetup) return nullptr;
        return std::make_unique<Library>(*this);
    }

    bool PrinterExists(const std::wstring& name) override {
        calls.push_back(L"OpenPrinter " + name);
        return printers.count(name) != 0;
    }

    bool AddPrinter(const PrinterDescription& p) override {
        calls.push_back(L"AddPrinter " + p.printerName + L" | " + p.portName + L" | " + p.driverName + L" | " +
                        p.printProcessor);
        if (addPrinterSucceeds) printers.insert(p.printerName);
        return addPrinterSucceeds;
    }

    void SetDefaultPrinter(const std::wstring& name) override {
        calls.push_back(L"SetDefaultPrinter " + name);
        defaultPrinter = name;
    }

    std::uint16_t NativeProcessorArchitecture() override {
        calls.push_back(L"GetNativeSystemInfo");
        return architecture;
    }

    bool RunSystemProgram(const std::wstring& program, const std::wstring& commandLine) override {
        calls.push_back(L"Run " + program + L" | " + commandLine);
        if (runnerCreatesPrinter) printers.insert(PrinterNamedIn(commandLine));
        return true;
    }

    void Write(const std::wstring& message) override {
        calls.push_back(L"debug " + message);
        debugLines.push_back(message);
    }

    Result WriteFile(const std::string& name, std::string_view bytes) override {
        calls.push_back(L"WriteFile " + std::wstring(name.begin(), name.end()));
        if (fileResult != Result::NotOpened) files[name] = bytes;
        return fileResult;
    }

private:
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

    // The name between the quotes after "/b", as rundll32 would take it.
    static std::wstring PrinterNamedIn(const std::wstring& commandLine) {
        const auto start = commandLine.find(L"/b \"") + 4;
        return commandLine.substr(start, commandLine.find(L'"', start) - start);
    }
};
