#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "core/install_system.h"
#include "core/run_log.h"
#include "win/platform/critical_section.h"
#include "win/platform/handles.h"
#include "win/platform/win32_program_runner.h"
#include "win/platform/win32_progress.h"

// How long a time limit that ran out waits for a line the run is in the middle of.
inline constexpr DWORD kOutputLockWait = 3000;
// How long it waits for the spooler to say whether the printer exists.
inline constexpr DWORD kPrinterAnswerWait = 3000;

// What a time limit watches, and whom it asks whether the printer exists. The lookup is
// loaded before the run begins: a library loaded once the time has run out could wait
// for the very start-up that hangs.
struct WatchedRun {
    RunOutput& output;
    Win32Progress& progress;
    Win32ProgramRunner& programs;
    PrinterLookup& printers;
};

// Ends a quiet run that has not ended by its time limit, counted from `startTick` (the
// run's start, GetTickCount). A thread of its own waits for the limit. When it runs out,
// the run starts no further step and writes no further line, the program it waits for is
// ended with whatever that started, and then, each wait bounded, the output is told in
// which step the time ran out and whether a printer of the name the run chose exists (so
// that a retry does not add a copy blindly), the log gets its last line, and the process
// ends with exit code 8. What the limit guards (a hung spooler, a driver's library stuck
// in its start-up, a printer-setup call that shows a message nobody can close) is never
// waited for without a bound: the spooler is asked on a thread of its own.
class TimeLimit {
public:
    // Starts a thread; a test hands in one that fails.
    using ThreadStarter = HANDLE (*)(LPTHREAD_START_ROUTINE routine, LPVOID argument);
    static HANDLE StartThread(LPTHREAD_START_ROUTINE routine, LPVOID argument);

    // Null when its threads cannot be started: the run would have no limit.
    static std::unique_ptr<TimeLimit> Start(std::int32_t seconds, DWORD startTick, const WatchedRun& run,
                                            ThreadStarter startThread = StartThread);
    ~TimeLimit();
    TimeLimit(const TimeLimit&) = delete;
    TimeLimit& operator=(const TimeLimit&) = delete;

    // The run ended in time: once this returns, the limit never ends it. (When the limit
    // ran out first, this does not return: the process is ending.)
    void Stop();

private:
    // The run's output lock while the limit watches. Once the limit has run out, only the
    // limit's thread writes: the run's thread, coming for the lock, waits for the process
    // to end, and the limit's thread waits a bounded time for a line under way.
    class OutputGate final : public OutputLock {
    public:
        void Lock() override;
        void Unlock() override;
        // From the limit's thread: no other thread writes from now on.
        void Close();
        // Waits at most `milliseconds` for the line under way; the limit's thread writes
        // after this either way.
        void Take(DWORD milliseconds);

    private:
        bool ClosedFor(DWORD thread) const;

        CriticalSection section_;
        DWORD closer_ = 0;
        volatile LONG closed_ = 0;
    };

    TimeLimit(std::int32_t seconds, DWORD startTick, const WatchedRun& run);
    static DWORD WINAPI Watch(LPVOID self);
    static DWORD WINAPI Answer(LPVOID self);
    void RunOut();
    std::wstring PrinterLine(const std::wstring& printer, DWORD askedAt);

    std::int32_t seconds_;
    DWORD startTick_;
    WatchedRun run_;
    OutputGate gate_;
    UniqueProcessHandle stopped_;
    UniqueProcessHandle ask_;
    UniqueProcessHandle answered_;
    UniqueProcessHandle watcher_;
    UniqueProcessHandle answerer_;
    std::wstring asked_;        // the printer asked about, set before `ask_`
    volatile LONG exists_ = 0;  // the answer, set before `answered_`
    volatile LONG state_ = 0;   // 0 watching, 1 stopped, 2 ran out
};
