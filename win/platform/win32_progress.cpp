#include "win/platform/win32_progress.h"

namespace {

// A run that its time limit ends goes no further.
[[noreturn]] void WaitForTheEnd() {
    for (;;) ::Sleep(INFINITE);
}

}  // namespace

void Win32Progress::Enter(RunStep step) {
    {
        const CriticalSection::Held held(lock_);
        if (!frozen_) {
            step_ = step;
            return;
        }
    }
    WaitForTheEnd();
}

void Win32Progress::Printer(const std::wstring& name) {
    {
        const CriticalSection::Held held(lock_);
        if (!frozen_) {
            printer_ = name;
            return;
        }
    }
    WaitForTheEnd();
}

void Win32Progress::Freeze() {
    const CriticalSection::Held held(lock_);
    frozen_ = true;
}

bool Win32Progress::FreezeIf(RunStep step) {
    const CriticalSection::Held held(lock_);
    if (step_ != step) return false;
    frozen_ = true;
    return true;
}

RunStep Win32Progress::Step() {
    const CriticalSection::Held held(lock_);
    return step_;
}

std::wstring Win32Progress::PrinterName() {
    const CriticalSection::Held held(lock_);
    return printer_;
}
