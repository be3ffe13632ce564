#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/exit_code.h"
#include "core/printer_name_record.h"
#include "tests/support/utility.h"
#include "win/platform/held_folder.h"
#include "win/platform/plain_files.h"

// The INF path the tests hand to the installation. Wine's printer-setup library does
// nothing with the driver command, so no such file needs to exist.
inline constexpr wchar_t kTestInfPath[] = L"C:\\drivers\\tavik";

// Outcomes in failure messages as the exit codes they become.
inline void PrintTo(ExitCode code, std::ostream* out) {
    *out << "exit code " << static_cast<int>(code);
}

inline std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

// The current folder, held as a run holds its record's folder, and the record's full
// path in it: where an installation of the tests writes its record.
struct CurrentRecordFolder {
    CurrentRecordFolder()
        : folder(Hold()), recordPath(folder ? folder->Path() + L"\\" + kPrinterNameRecordFile : L"") {}
    static std::unique_ptr<HeldFolder> Hold() {
        DWORD error = 0;
        std::wstring why;
        return HeldFolder::Open(FullPath(L"."), error, why);
    }
    std::unique_ptr<HeldFolder> folder;
    std::wstring recordPath;
};

// Runs this test program again with `arguments` (see the child modes in
// platform_tests_main.cpp), to see what another process sees: its exit code, or -1 when
// it could not be started or did not end within a minute.
inline int RunChild(const std::wstring& arguments) {
    const auto exitCode = RunProcess(Quoted(ThisProgram()) + L" " + arguments, 60'000);
    return exitCode ? static_cast<int>(*exitCode) : -1;
}

// The child mode --child-time-limit (time_limit_test.cpp).
int RunUntilTheTimeLimit(const std::vector<std::wstring>& args);
