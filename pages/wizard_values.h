#pragma once

#include <windows.h>

#include <string>

// Values start-up takes from the command line and the pages read.

// The printer's base name: the settings page shows it, the installation names the
// printer after it.
extern std::wstring basePrinterName;

// The language library every page takes its texts from; null when it could not be
// loaded. Loaded once, never freed.
extern HMODULE languageLibrary;
