// Stands in for the system's rundll32.exe in a test prefix, where Wine's own does nothing
// with the printer-setup command. It does what that command asks of the real one, for
// the part the tests look at: it creates the printer named after /b on the port named
// after /r, with the test driver.
//
// When KESTRIN_STANDIN_LOG names a file, the command line exactly as received is
// written there (UTF-16), so a test can see what the installer handed over.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>

#include "tests/support/test_constants.h"
#include "win/platform/handles.h"

namespace {

// The value after `option` ("/b", "/r"): the text between the double quotes that follow
// it, or the word that follows it.
std::wstring ValueAfter(const std::wstring& commandLine, const std::wstring& option) {
    const std::wstring opening = L" " + option + L" ";
    const std::size_t start = commandLine.find(opening);
    if (start == std::wstring::npos) return {};
    std::size_t from = start + opening.size();
    wchar_t end = L' ';
    if (commandLine.compare(from, 1, L"\"") == 0) {
        ++from;
        end = L'"';
    }
    const std::size_t to = commandLine.find(end, from);
    return commandLine.substr(from, to == std::wstring::npos ? std::wstring::npos : to - from);
}

void Log(const std::wstring& commandLine) {
    wchar_t path[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"KESTRIN_STANDIN_LOG", path, MAX_PATH) == 0) return;
    const UniqueFileHandle file(
        ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), commandLine.data(), static_cast<DWORD>(commandLine.size() * sizeof(wchar_t)), &written,
                nullptr);
}

}  // namespace

int main() {
    const std::wstring commandLine = ::GetCommandLineW();
    Log(commandLine);

    std::wstring name = ValueAfter(commandLine, L"/b");
    std::wstring port = ValueAfter(commandLine, L"/r");
    if (name.empty() || port.empty()) return 2;
    std::wstring driver = kDriverModel;
    std::wstring processor = kPrintProcessorName;

    PRINTER_INFO_2W info{};
    info.pPrinterName = name.data();
    info.pPortName = port.data();
    info.pDriverName = driver.data();
    info.pPrintProcessor = processor.data();
    const UniquePrinter printer(::AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)),
                                PrinterPolicy{&::ClosePrinter});
    if (!printer) return 1;
    std::printf("stand-in rundll32 created \"%ls\"\n", name.c_str());
    return 0;
}
