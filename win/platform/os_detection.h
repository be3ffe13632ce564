#pragma once

#include <cstdint>
#include <optional>

#include "core/install_settings.h"
#include "core/os_version.h"

// What the system's version query reports; nothing when neither form of it answers.
std::optional<OsVersion> QueryOsVersion();

// wProcessorArchitecture of the machine itself, also for a 32-bit program on 64-bit
// Windows (GetNativeSystemInfo, looked up at run time; GetSystemInfo where it is absent).
std::uint16_t NativeProcessorArchitecture();

// Whether this is a 32-bit program on 64-bit Windows (IsWow64Process, looked up at run
// time: XP before SP2 lacks it, and has no 64-bit edition either).
bool RunsUnderWow64();

// The operating-system choice for the running system, from its version query.
OsChoice DetectOsIndex();
