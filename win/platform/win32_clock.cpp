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

std::int64_t Win32Clock::UnixSeconds() {
    // FILETIME counts 100 ns intervals from 1601-01-01 UTC.
    constexpr std::int64_t kIntervalsPerSecond = 10000000;
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const auto intervals =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    return intervals / kIntervalsPerSecond - kSecondsFrom1601To1970;
}
