#include "win/platform/win32_progress.h"

Win32Progress::Win32Progress() {
    ::InitializeCriticalSection(&lock_);
}

Win32Progress::~Win32Progress() {
    ::DeleteCriticalSection(&lock_);
}

void Win32Progress::Enter(RunStep step) {
    ::EnterCriticalSection(&lock_);
    step_ = step;
    ::LeaveCriticalSection(&lock_);
}

void Win32Progress::Printer(const std::wstring& name) {
    ::EnterCriticalSection(&lock_);
    printer_ = name;
    ::LeaveCriticalSection(&lock_);
}

RunStep Win32Progress::Step() {
    ::EnterCriticalSection(&lock_);
    const RunStep step = step_;
    ::LeaveCriticalSection(&lock_);
    return step;
}

std::wstring Win32Progress::PrinterName() {
    ::EnterCriticalSection(&lock_);
    std::wstring name = printer_;
    ::LeaveCriticalSection(&lock_);
    return name;
}
