#include "win/platform/win32_clock.h"

#include <gtest/gtest.h>

namespace {

// The 32-bit count wraps after 49.7 days; the clock counts on.
TEST(Win32Clock, CountsOnAcrossTheWrap) {
    const struct {
        std::uint64_t previous;
        DWORD tick;
        std::uint64_t widened;
    } ticks[] = {{0, 5, 5}, {7, 7, 7}, {0xFFFFFFF0u, 0x10, 0x1'0000'0010u}, {0x2'FFFF'FFFFu, 0, 0x3'0000'0000u}};
    for (const auto& t : ticks) EXPECT_EQ(Win32Clock::Widened(t.previous, t.tick), t.widened) << t.previous;
}

}  // namespace
