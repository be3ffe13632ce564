#pragma once

#include <cstdint>

#include "core/architecture.h"
#include "core/inf_file.h"
#include "core/install_system.h"

// How the driver command reaches the printer-setup library.
enum class DriverRoute {
    InProcess,          // the library loaded into this program
    SystemRundll32,     // rundll32 of the system folder as this program sees it
    SysnativeRundll32,  // rundll32 of %windir%\Sysnative: the machine's own, for a 32-bit program under WOW64
};

// What the program reads of the machine it runs on.
struct MachineFacts {
    bool program64Bit = false;
    std::uint16_t nativeArchitecture = kArchitectureIntel;  // the machine's own, whatever emulates this program
    bool runsX64Programs = false;                           // natively, or emulated on ARM64
};

// What the program does on such a machine.
struct MachinePlan {
    // The 32-bit program starts x64\kestrin.exe, when it is there, instead of installing.
    bool handOver = false;
    DriverRoute driverRoute = DriverRoute::InProcess;
    // What the driver is installed for, looked for after its command and removed from.
    DriverEnvironment environment = DriverEnvironment::X86;
    // A failed installation tells the person to use x64\kestrin.exe.
    bool adviseThe64BitProgram = false;

    friend bool operator==(const MachinePlan&, const MachinePlan&) = default;
};

MachinePlan PlanForMachine(const MachineFacts& facts);

// Where rundll32 is started from for the printer-setup commands that go through it: the
// driver's route decides for the printer command too, so that both reach the same library.
SystemFolder Rundll32Folder(DriverRoute route);

// The spooler's name of a driver environment: "Windows NT x86", "Windows x64", "Windows ARM64".
const wchar_t* SpoolerEnvironmentName(DriverEnvironment environment);
