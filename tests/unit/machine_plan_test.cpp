#include "core/machine_plan.h"

#include <gtest/gtest.h>

#include "tests/support/test_constants.h"

namespace {

using Env = DriverEnvironment;
using Route = DriverRoute;

struct MachineCase {
    const char* name;
    MachineFacts facts;  // 64-bit program, native architecture, x64 programs run
    bool handOver;
    Route route;
    Env environment;
    bool windows64Bit;
    bool advice;  // a failed installation names x64\kestrin.exe
};

class MachinePlanTest : public testing::TestWithParam<MachineCase> {};

TEST_P(MachinePlanTest, EachMachineGetsItsHandOverRouteAndEnvironment) {
    const MachineCase& c = GetParam();
    const MachinePlan plan = PlanForMachine(c.facts);
    EXPECT_EQ(plan, (MachinePlan{c.handOver, c.route, c.environment, c.advice}));
    EXPECT_EQ(Is64BitArchitecture(c.facts.nativeArchitecture), c.windows64Bit);
}

// Windows 11 on ARM runs x64 programs, Windows 10 on ARM none: there x64\kestrin.exe
// cannot start, and the 32-bit program goes on itself. Neither is sent to the other.
INSTANTIATE_TEST_SUITE_P(
    Machines, MachinePlanTest,
    testing::Values(
        MachineCase{"X86", {false, kX86, false}, false, Route::InProcess, Env::X86, false, false},
        MachineCase{"X64With32Bit", {false, kAmd64, true}, true, Route::InProcess, Env::X86, true, true},
        MachineCase{"X64With64Bit", {true, kAmd64, true}, false, Route::InProcess, Env::Amd64, true, false},
        MachineCase{
            "Arm64X64With32Bit", {false, kArm64, true}, true, Route::SysnativeRundll32, Env::Arm64, true, false},
        MachineCase{"Arm64X64With64Bit", {true, kArm64, true}, false, Route::SystemRundll32, Env::Arm64, true, false},
        MachineCase{
            "Arm64NoX64With32Bit", {false, kArm64, false}, false, Route::SysnativeRundll32, Env::Arm64, true, false},
        MachineCase{"ItaniumWith32Bit", {false, kIa64, false}, true, Route::InProcess, Env::X86, true, true}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
