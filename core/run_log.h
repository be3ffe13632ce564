#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/exit_code.h"
#include "core/install_system.h"

// Where the lines of a run go: the debugger output, and the log file when there is one.
// The log also gets a few lines of its own, and a last line with the exit code.
class RunOutput final : public DebugOutput {
public:
    explicit RunOutput(DebugOutput& debugger) : debugger_(debugger) {}

    void SetLog(LogFile* log) { log_ = log; }
    // From now on each line goes out while holding `lock` (none: no lock).
    void SetLock(OutputLock* lock) { lock_ = lock; }

    // A debugger line, also in the log.
    void Write(const std::wstring& line) override;
    // A line for the log alone.
    void Note(const std::wstring& line) override;
    // The log's last line: "exit code N: <meaning>".
    void Finish(ExitCode code);

private:
    DebugOutput& debugger_;
    LogFile* log_ = nullptr;
    OutputLock* lock_ = nullptr;
};

// The line a run that ran out of time ends with, before its exit code: "the time limit
// of 600 s ran out during the printer creation".
std::wstring TimeLimitLine(std::int32_t seconds, RunStep step);

// Local time of a log line.
struct LogTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// One line of the log file as UTF-8 bytes: "2026-12-08 14:03:07 <text>" and CR LF.
// UTF-16 that is not whole (a lone surrogate) becomes U+FFFD; a control character (below
// U+0020, U+007F, U+0085) and the line and paragraph separators (U+2028, U+2029) become
// \u and four upper-case hexadecimal digits, so that no text can make a line of its own.
std::string LogLineBytes(const LogTime& time, std::wstring_view text);
