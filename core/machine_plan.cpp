#include "core/machine_plan.h"

MachinePlan PlanForMachine(const MachineFacts& facts) {
    MachinePlan plan;
    if (facts.nativeArchitecture == kArchitectureArm64) {
        // An emulated printer-setup library installs the driver for the processor it
        // emulates, which no printer on ARM64 can use: the native rundll32 runs it, and
        // a 32-bit program reaches that one only through Sysnative.
        plan.environment = DriverEnvironment::Arm64;
        plan.driverRoute = facts.program64Bit ? DriverRoute::SystemRundll32 : DriverRoute::SysnativeRundll32;
        // Where x64 programs run (Windows 11) the package works as on x64; Windows 10 on
        // ARM runs none, and the 32-bit program installs the native driver itself. It does
        // so on either, so no advice sends the person to the other program.
        plan.handOver = !facts.program64Bit && facts.runsX64Programs;
        return plan;
    }
    plan.environment = facts.program64Bit ? DriverEnvironment::Amd64 : DriverEnvironment::X86;
    // The 32-bit program's driver is one a printer on 64-bit Windows cannot use.
    const bool underWow64 = !facts.program64Bit && Is64BitArchitecture(facts.nativeArchitecture);
    plan.handOver = underWow64;
    plan.adviseThe64BitProgram = underWow64;
    return plan;
}

SystemFolder Rundll32Folder(DriverRoute route) {
    return route == DriverRoute::SysnativeRundll32 ? SystemFolder::Native : SystemFolder::Program;
}

const wchar_t* SpoolerEnvironmentName(DriverEnvironment environment) {
    switch (environment) {
        case DriverEnvironment::X86:
            return L"Windows NT x86";
        case DriverEnvironment::Amd64:
            return L"Windows x64";
        case DriverEnvironment::Arm64:
            return L"Windows ARM64";
    }
    return L"";
}
