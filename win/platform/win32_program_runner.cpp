#include "win/platform/win32_program_runner.h"

#include "win/platform/system_paths.h"

Win32ProgramRunner::Win32ProgramRunner() {
    ::InitializeCriticalSection(&lock_);
}

Win32ProgramRunner::~Win32ProgramRunner() {
    ::DeleteCriticalSection(&lock_);
}

bool Win32ProgramRunner::RunSystemProgram(const std::wstring& program, const std::wstring& commandLine) {
    // The program is named by its full path, so the command line's first word is only
    // what the program itself sees as its name, never where the system looks for it.
    const std::wstring path = SystemFilePath(program);
    if (path.empty()) return false;
    DWORD error = 0;
    std::shared_ptr<ChildProcess> child = ChildProcess::Start(path, commandLine, nullptr, error);
    if (!child) return false;
    ::EnterCriticalSection(&lock_);
    running_ = child;
    ::LeaveCriticalSection(&lock_);
    child->Wait(INFINITE);
    ::EnterCriticalSection(&lock_);
    running_.reset();
    ::LeaveCriticalSection(&lock_);
    return true;
}

void Win32ProgramRunner::EndRunningProgram(UINT exitCode) {
    ::EnterCriticalSection(&lock_);
    if (running_) running_->Terminate(exitCode);
    ::LeaveCriticalSection(&lock_);
}
