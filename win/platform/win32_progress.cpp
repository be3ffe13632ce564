#include "win/platform/win32_progress.h"

void Win32Progress::Enter(RunStep step) {
    const CriticalSection::Held held(lock_);
    step_ = step;
}

void Win32Progress::Printer(const std::wstring& name) {
    const CriticalSection::Held held(lock_);
    printer_ = name;
}

RunStep Win32Progress::Step() {
    const CriticalSection::Held held(lock_);
    return step_;
}

std::wstring Win32Progress::PrinterName() {
    const CriticalSection::Held held(lock_);
    return printer_;
}
