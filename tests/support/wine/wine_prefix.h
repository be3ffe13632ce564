#pragma once

// Prepares the Wine prefix a test runs in, so that printers can be created in it.
//
// What a prefix needs for AddPrinterW to succeed with the installer's printer
// description (driver "Tavik 10.0.0.11", print processor "WinPrint", no data type):
//   - the driver registered for the caller's environment ("Windows x64" for a 64-bit
//     program, "Windows NT x86" for a 32-bit one): Wine only checks that the driver's key
//     exists. Both are registered here, so 64-bit and 32-bit programs work in one prefix.
//   - a way around Wine's missing-Datatype fault: the driver's "Configuration File" is
//     kestrin_tavik_ui.dll (tavik_driver_ui.cpp), which Wine loads while it adds a
//     printer and which gives the new printer's key the value Datatype=RAW.
//
// A test program links kestrin_wine_prefix, calls kestrin_wine_printing(target) in CMake
// (it puts the driver libraries beside the program) and wine_prefix::RegisterTavikDriver()
// at the start, in a private prefix (KESTRIN_PRIVATE_PREFIX=1): the registration stays.
// kestrin_prepare_prefix.exe does the same for a prefix that kestrin.exe is to run in.
//
// Failures throw std::runtime_error with what went wrong.

#include <optional>
#include <string>

#include "tests/support/test_constants.h"
#include "tests/support/utility.h"

namespace wine_prefix {

// Registers "Tavik 10.0.0.11" for both environments, with the driver user-interface
// libraries (kestrin_tavik_ui64.dll, kestrin_tavik_ui32.dll) taken from `libraryFolder`
// (the running program's folder by default).
void RegisterTavikDriver(const std::wstring& libraryFolder = ProgramDirectory());

// Removes what RegisterTavikDriver registered (files stay).
void UnregisterTavikDriver();

// Puts `replacement` in the system directory under the name `programName` (for example
// "rundll32.exe"), with Wine told to prefer it to its own, for the length of a scope. A
// 32-bit caller replaces the 32-bit program (the system maps its system directory).
class ReplacedSystemProgram {
public:
    ReplacedSystemProgram(std::wstring programName, const std::wstring& replacement);
    ~ReplacedSystemProgram();
    ReplacedSystemProgram(const ReplacedSystemProgram&) = delete;
    ReplacedSystemProgram& operator=(const ReplacedSystemProgram&) = delete;

private:
    std::wstring programName_;
};

// Sets the order in which Wine tries the native and builtin forms of `library`, for
// programs with the file name `programName`, or for every program when it is empty.
// "native,builtin" makes Wine behave like Windows and take a library beside the program
// first; an empty order ("") makes every load of the library fail. std::nullopt removes
// the entry again.
void SetDllOverride(const std::wstring& library, const std::optional<std::wstring>& loadOrder,
                    const std::wstring& programName = L"");

}  // namespace wine_prefix
