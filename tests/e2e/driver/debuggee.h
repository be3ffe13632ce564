#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// A program run under our debugger, with every process it starts: the debugger sees each
// line the program writes to the debugger output and each child process it creates.
class Debuggee {
public:
    struct Line {
        DWORD processId;
        std::wstring text;
    };

    // Starts `program` with the full command line `commandLine` in `directory`, on the
    // desktop `desktop` ("Station\\Desktop"; empty: ours). The debug loop needs a thread
    // of its own: only the thread that started a debuggee may wait for its events.
    Debuggee(std::wstring program, std::wstring commandLine, std::wstring directory, std::wstring desktop = {});
    ~Debuggee();  // ends the processes that are still running
    Debuggee(const Debuggee&) = delete;
    Debuggee& operator=(const Debuggee&) = delete;

    // False when the program could not be started.
    bool WaitStarted();
    DWORD ProcessId() const { return processId_; }
    DWORD ThreadId() const { return threadId_; }

    // Waits until the program and every process it started have ended.
    bool WaitEnded(DWORD milliseconds);
    bool Ended();
    void Terminate();

    // Valid once ended.
    DWORD ExitCode() const { return exitCode_; }
    // An exception the program did not handle, when it died of one.
    std::optional<DWORD> Crash() const { return crash_; }

    // Lines of the program itself, in order; children's lines are kept apart.
    std::vector<std::wstring> ProgramLines();
    std::vector<Line> AllLines();
    // Full image paths of the processes the program started, in the order they started.
    std::vector<std::wstring> Children();
    // The program and every process it started, by id, in the order they started.
    std::vector<DWORD> ProcessIds();
    // When the program itself ended (GetTickCount64), once it has.
    ULONGLONG EndTick();

private:
    static DWORD WINAPI RunThread(void* debuggee);
    void Run();
    void Loop();
    void ReadDebugString(const DEBUG_EVENT& event, HANDLE process);

    std::wstring program_, commandLine_, directory_, desktop_;
    // Win32's own lock and condition: the Windows compilers' runtime has no std::thread.
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    bool started_ = false;
    bool ended_ = false;
    bool terminate_ = false;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    DWORD exitCode_ = 0;
    std::optional<DWORD> crash_;
    std::vector<Line> lines_;
    std::vector<std::wstring> children_;
    std::vector<DWORD> processIds_;
    ULONGLONG endTick_ = 0;
    HANDLE thread_ = nullptr;
};
