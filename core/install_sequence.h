#pragma once

#include <string>

#include "core/exit_code.h"
#include "core/install_settings.h"
#include "core/install_system.h"

inline constexpr wchar_t kDriverModelName[] = L"Tavik 10.0.0.11";
inline constexpr wchar_t kPrintProcessor[] = L"WinPrint";
// The name search gives up after this many copies of the base name.
inline constexpr int kMaxPrinterCopies = 9999;

// The printer-setup command texts, exactly as handed over and written to the debugger.
std::wstring DriverCommand(const std::wstring& infBasePath);
std::wstring PrinterCommand(const std::wstring& printerName, const std::wstring& infBasePath,
                            const std::wstring& portName);
std::wstring TestPageCommand(const std::wstring& printerName);

// Installs the driver, creates the printer under a free name, records the name, sets the
// default printer, prints a test page and configures a COM port, as the record asks.
ExitCode RunInstallation(const InstallSettings& settings, const std::wstring& basePrinterName,
                         const std::wstring& infBasePath, const InstallSystem& system);
