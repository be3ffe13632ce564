#pragma once

#include <ostream>

#include "core/exit_code.h"

// The INF path the tests hand to the installation. Wine's printer-setup library does
// nothing with the driver command, so no such file needs to exist.
inline constexpr wchar_t kTestInfPath[] = L"C:\\drivers\\tavik";

// Outcomes in failure messages as the exit codes they become.
inline void PrintTo(ExitCode code, std::ostream* out) {
    *out << "exit code " << static_cast<int>(code);
}
