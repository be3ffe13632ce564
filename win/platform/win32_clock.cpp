#include "win/platform/win32_clock.h"

std::uint64_t Win32Clock::NowMilliseconds() {
    const CriticalSection::Held held(lock_);
    now_ = Widened(now_, ::GetTickCount());
    return now_;
}

void Win32Clock::Sleep(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

std::uint64_t Win32Clock::Widened(std::uint64_t previous, DWORD tick) {
    // The 32-bit difference is right across the wrap too.
    return previous + static_cast<DWORD>(tick - static_cast<DWORD>(previous));
}
