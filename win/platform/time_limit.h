#pragma once

#include <windows.h>

#include <cstdint>

#include "core/run_log.h"
#include "win/platform/handles.h"
#include "win/platform/win32_install_system.h"
#include "win/platform/win32_output_lock.h"

// Ends a quiet run that has not ended by its time limit, counted from `startTick` (the
// run's start, GetTickCount). A thread of its own waits for the limit; when it runs out,
// the output is told what the run was doing and whether a printer of the name it chose
// exists (so that a retry does not add a copy blindly), the log gets its last line, the
// program the run waits for is ended with whatever it started, and the process ends with
// exit code 8. Nothing else of the run is waited for: a printer-setup call that shows a
// message nobody can close never returns. While the limit watches, the run's lines go
// out under a lock; once it runs out, it keeps the lock, so that the run's own thread,
// woken when its program is ended, adds nothing after the last line.
class TimeLimit {
public:
    TimeLimit(std::int32_t seconds, DWORD startTick, RunOutput& output, Win32InstallSystem& system);
    ~TimeLimit();
    TimeLimit(const TimeLimit&) = delete;
    TimeLimit& operator=(const TimeLimit&) = delete;

    // The run ended in time: once this returns, the limit never ends it. (When the limit
    // ran out first, this does not return: the process is ending.)
    void Stop();

private:
    static DWORD WINAPI Watch(LPVOID self);
    void RunOut();

    std::int32_t seconds_;
    DWORD startTick_;
    RunOutput& output_;
    Win32InstallSystem& system_;
    Win32OutputLock lock_;
    UniqueProcessHandle stopped_;
    UniqueProcessHandle thread_;
    volatile LONG state_ = 0;  // 0 watching, 1 stopped, 2 ran out
};
