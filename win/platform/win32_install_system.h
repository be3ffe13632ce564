#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/install_system.h"
#include "win/platform/system_paths.h"
#include "win/platform/win32_clock.h"
#include "win/platform/win32_comm_config_store.h"
#include "win/platform/win32_files.h"
#include "win/platform/win32_installation_lock.h"
#include "win/platform/win32_printer_setup.h"
#include "win/platform/win32_program_runner.h"
#include "win/platform/win32_progress.h"
#include "win/platform/win32_registry.h"
#include "win/platform/win32_spooler.h"

class Win32DebugOutput final : public DebugOutput {
public:
    void Write(const std::wstring& message) override;
    void Note(const std::wstring&) override {}  // the debugger gets no log-only lines
};

class Win32SystemInfo final : public SystemInfo {
public:
    std::uint16_t NativeProcessorArchitecture() override;
    std::vector<UsbPrinterPort> UsbPrinterPorts() override;
    bool RunsAsSystemAccount() override;
};

// Everything an installation or a removal needs of the real system, owned in one place;
// its lines go to `debug` (the debugger output, and the log when there is one), and its
// record file is in `recordFolder` (see Win32Files):
//
//   Win32InstallSystem system(debug, recordFolder, IsElevated());
//   const InstallResult result = RunInstallation(request, system.Get());
class Win32InstallSystem {
public:
    Win32InstallSystem(DebugOutput& debug, const HeldFolder* recordFolder, bool administratorsOwnRecords)
        : debug_(debug), files_(recordFolder, administratorsOwnRecords) {}
    Win32InstallSystem(const Win32InstallSystem&) = delete;
    Win32InstallSystem& operator=(const Win32InstallSystem&) = delete;

    InstallSystem Get();

    // For whoever watches the run from another thread: what it does now, the program it
    // waits for, and the spooler, loaded already.
    Win32Progress& progress() { return progress_; }
    Win32ProgramRunner& programRunner() { return programRunner_; }
    Win32Spooler& spooler() { return spooler_; }

private:
    Win32PrinterSetup printerSetup_;
    Win32Spooler spooler_;
    Win32SystemInfo systemInfo_;
    Win32ProgramRunner programRunner_;
    DebugOutput& debug_;
    Win32Files files_;
    Win32CommConfigStore commConfig_;
    Win32InstallationLock lock_;
    Win32Progress progress_;
    Win32Clock clock_;
    Win32Registry registry_;
};
