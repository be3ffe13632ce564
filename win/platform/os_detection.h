#pragma once

#include <cstdint>
#include <optional>

#include "core/inf_file.h"
#include "core/install_settings.h"
#include "core/machine_plan.h"
#include "core/os_version.h"

// What the system's version query reports; nothing when neither form of it answers.
std::optional<OsVersion> QueryOsVersion();

// wProcessorArchitecture of the machine itself, also for a 32-bit program on 64-bit
// Windows (GetNativeSystemInfo, looked up at run time; GetSystemInfo where it is absent).
// An ARM64 machine shows an emulated program the processor it emulates: IsWow64Process2,
// looked up at run time, tells it apart.
std::uint16_t NativeProcessorArchitecture();

// This program's bitness, the machine's architecture, and whether the machine runs x64
// programs: what PlanForMachine decides from.
MachineFacts ThisMachine();

// The version Windows really is (RtlGetVersion, looked up at run time), which the version
// query reports as 6.2 from Windows 8.1 on to a program whose manifest names no later
// Windows; nothing when it does not answer.
std::optional<WindowsVersion> QueryRealWindowsVersion();

// Whether this is a 32-bit program on 64-bit Windows (IsWow64Process, looked up at run
// time: XP before SP2 lacks it, and has no 64-bit edition either).
bool RunsUnderWow64();

// The operating-system choice for the running system, from its version query.
OsChoice DetectOsIndex();
