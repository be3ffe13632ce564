#pragma once

#include <windows.h>

#include <cstdint>

#include "core/install_system.h"
#include "win/platform/critical_section.h"

// The system's tick count in milliseconds, from any thread, and its UTC time. XP has only the 32-bit count,
// which wraps after 49.7 days; the clock widens it, as long as it is read once within
// each such span.
class Win32Clock final : public Clock {
public:
    std::uint64_t NowMilliseconds() override;
    void Sleep(std::uint32_t milliseconds) override;
    std::int64_t UnixSeconds() override;

    // The widened count that follows `previous` when the 32-bit count reads `tick`.
    static std::uint64_t Widened(std::uint64_t previous, DWORD tick);

private:
    CriticalSection lock_;
    std::uint64_t now_ = ::GetTickCount();
};
