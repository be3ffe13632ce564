#include "debuggee.h"

#include <map>
#include <set>

#include "tests/support/utility.h"

namespace {

constexpr DWORD kWow64Breakpoint = 0x4000001F;

// Holds an SRW lock exclusively for as long as it lives.
class Locked {
public:
    explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Locked() { ReleaseSRWLockExclusive(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    SRWLOCK& lock_;
};

// CreateProcessW on another desktop; otherwise as every test program starts one.
std::optional<StartedProcess> Start(const std::wstring& program, const std::wstring& commandLine,
                                    const std::wstring& directory, const std::wstring& desktop) {
    if (desktop.empty()) return StartProcess(program.c_str(), commandLine, DEBUG_PROCESS, directory.c_str());
    std::wstring command = commandLine;
    std::wstring station = desktop;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = station.data();
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, DEBUG_PROCESS, nullptr,
                        directory.c_str(), &startup, &started)) {
        Print(std::wstring(kNotStartedLine) + L"CreateProcessW failed with error " + std::to_wstring(GetLastError()) +
              L" on the desktop " + desktop + L": " + commandLine);
        return std::nullopt;
    }
    const UniqueProcessHandle thread(started.hThread);
    return StartedProcess{UniqueProcessHandle(started.hProcess), started.dwProcessId, started.dwThreadId};
}

std::wstring ImagePath(HANDLE process) {
    wchar_t path[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    if (!QueryFullProcessImageNameW(process, 0, path, &size)) return L"?";
    return {path, size};
}

}  // namespace

Debuggee::Debuggee(std::wstring program, std::wstring commandLine, std::wstring directory, std::wstring desktop)
    : program_(std::move(program)),
      commandLine_(std::move(commandLine)),
      directory_(std::move(directory)),
      desktop_(std::move(desktop)) {
    thread_ = CreateThread(nullptr, 0, RunThread, this, 0, nullptr);
    if (!thread_) {
        Print(std::wstring(kNotStartedLine) + L"CreateThread failed with error " + std::to_wstring(GetLastError()));
        ended_ = true;
    }
}

Debuggee::~Debuggee() {
    Terminate();
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
}

DWORD WINAPI Debuggee::RunThread(void* debuggee) {
    static_cast<Debuggee*>(debuggee)->Run();
    return 0;
}

bool Debuggee::WaitStarted() {
    const Locked lock(lock_);
    while (!started_ && !ended_) SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
    return started_;
}

bool Debuggee::WaitEnded(DWORD milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    const Locked lock(lock_);
    while (!ended_) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        SleepConditionVariableSRW(&changed_, &lock_, static_cast<DWORD>(deadline - now), 0);
    }
    return true;
}

bool Debuggee::Ended() {
    const Locked lock(lock_);
    return ended_;
}

void Debuggee::Terminate() {
    const Locked lock(lock_);
    terminate_ = true;
}

std::vector<std::wstring> Debuggee::ProgramLines() {
    const Locked lock(lock_);
    std::vector<std::wstring> result;
    for (const Line& line : lines_) {
        if (line.processId == processId_) result.push_back(line.text);
    }
    return result;
}

std::vector<Debuggee::Line> Debuggee::AllLines() {
    const Locked lock(lock_);
    return lines_;
}

std::vector<std::wstring> Debuggee::Children() {
    const Locked lock(lock_);
    return children_;
}

std::vector<DWORD> Debuggee::ProcessIds() {
    const Locked lock(lock_);
    return processIds_;
}

ULONGLONG Debuggee::EndTick() {
    const Locked lock(lock_);
    return endTick_;
}

void Debuggee::Run() {
    // DEBUG_PROCESS rather than DEBUG_ONLY_THIS_PROCESS: every process the program
    // starts is reported too, so a scenario can tell exactly what ran.
    const auto started = Start(program_, commandLine_, directory_, desktop_);
    {
        const Locked lock(lock_);
        if (!started) {
            ended_ = true;
        } else {
            processId_ = started->processId;
            threadId_ = started->threadId;
            started_ = true;
        }
    }
    WakeAllConditionVariable(&changed_);
    if (!started) return;
    Loop();
    {
        const Locked lock(lock_);
        ended_ = true;
    }
    WakeAllConditionVariable(&changed_);
}

void Debuggee::Loop() {
    std::map<DWORD, HANDLE> processes;
    std::set<DWORD> pastFirstBreakpoint;
    bool any = false;
    bool terminating = false;
    while (!any || !processes.empty()) {
        {
            const Locked lock(lock_);
            if (terminate_ && !terminating) {
                terminating = true;
                for (const auto& [id, process] : processes) TerminateProcess(process, 0xDEAD);
            }
        }
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, 50)) continue;
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
            case CREATE_PROCESS_DEBUG_EVENT: {
                any = true;
                const HANDLE process = event.u.CreateProcessInfo.hProcess;
                processes[event.dwProcessId] = process;
                if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
                const Locked lock(lock_);
                processIds_.push_back(event.dwProcessId);
                if (event.dwProcessId != processId_) children_.push_back(ImagePath(process));
                break;
            }
            case EXIT_PROCESS_DEBUG_EVENT:
                if (event.dwProcessId == processId_) {
                    const Locked lock(lock_);
                    exitCode_ = event.u.ExitProcess.dwExitCode;
                    endTick_ = GetTickCount64();
                }
                processes.erase(event.dwProcessId);
                break;
            case LOAD_DLL_DEBUG_EVENT:
                if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
                break;
            case OUTPUT_DEBUG_STRING_EVENT: {
                const auto found = processes.find(event.dwProcessId);
                if (found != processes.end()) ReadDebugString(event, found->second);
                break;
            }
            case EXCEPTION_DEBUG_EVENT: {
                const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
                const bool breakpoint =
                    record.ExceptionCode == EXCEPTION_BREAKPOINT || record.ExceptionCode == kWow64Breakpoint;
                // Each process stops once at a breakpoint of the loader; anything else is
                // the program's own business and must reach its handlers as without us.
                if (breakpoint && pastFirstBreakpoint.insert(event.dwProcessId).second) break;
                status = DBG_EXCEPTION_NOT_HANDLED;
                if (!event.u.Exception.dwFirstChance && event.dwProcessId == processId_) {
                    const Locked lock(lock_);
                    crash_ = record.ExceptionCode;
                }
                break;
            }
            default:
                break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
}

void Debuggee::ReadDebugString(const DEBUG_EVENT& event, HANDLE process) {
    const OUTPUT_DEBUG_STRING_INFO& info = event.u.DebugString;
    const std::size_t unit = info.fUnicode ? sizeof(wchar_t) : 1;
    std::string bytes(info.nDebugStringLength * unit, '\0');
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), bytes.size(), &read)) return;
    bytes.resize(read);
    std::wstring text;
    if (info.fUnicode) {
        text.assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    } else {
        // Wine hands even OutputDebugStringW text over in the ANSI code page.
        text = FromAnsi(bytes);
    }
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    const Locked lock(lock_);
    lines_.push_back({event.dwProcessId, std::move(text)});
}
