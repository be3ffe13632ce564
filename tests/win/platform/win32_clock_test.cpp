#include "win/platform/win32_clock.h"

#include <gtest/gtest.h>

namespace {

struct TickCase {
    std::uint64_t previous;
    DWORD tick;
    std::uint64_t widened;
};

class WidenedTest : public testing::TestWithParam<TickCase> {};

// The 32-bit count wraps after 49.7 days; the clock goes on counting.
TEST_P(WidenedTest, CountsOnAcrossTheWrap) {
    EXPECT_EQ(Win32Clock::Widened(GetParam().previous, GetParam().tick), GetParam().widened);
}

INSTANTIATE_TEST_SUITE_P(Ticks, WidenedTest,
                         testing::Values(TickCase{0, 5, 5}, TickCase{7, 7, 7},
                                         TickCase{0xFFFFFFF0u, 0x10, 0x1'0000'0010u},
                                         TickCase{0x1'0000'0005u, 0x20, 0x1'0000'0020u},
                                         TickCase{0x2'FFFF'FFFFu, 0, 0x3'0000'0000u}));

TEST(Win32Clock, ASleepTakesItsTime) {
    Win32Clock clock;
    const std::uint64_t before = clock.NowMilliseconds();
    clock.Sleep(100);
    const std::uint64_t after = clock.NowMilliseconds();
    EXPECT_GE(after - before, 50u);  // the tick count moves in steps, of 16 ms or more
    EXPECT_LT(after - before, 5000u);
}

}  // namespace
