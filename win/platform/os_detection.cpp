#include "win/platform/os_detection.h"

#include <windows.h>

#include <optional>

#include "core/architecture.h"
#include "win/platform/system_paths.h"

static_assert(sizeof(OSVERSIONINFOEXW) == 284 && sizeof(OSVERSIONINFOW) == 276);
static_assert(PROCESSOR_ARCHITECTURE_INTEL == kArchitectureIntel && PROCESSOR_ARCHITECTURE_IA64 == kArchitectureIa64 &&
              PROCESSOR_ARCHITECTURE_AMD64 == kArchitectureAmd64);

namespace {

// Newer than the headers we build against (Windows XP): spelled out here.
constexpr USHORT kMachineAmd64 = 0x8664;  // IMAGE_FILE_MACHINE_AMD64
constexpr USHORT kMachineArm64 = 0xAA64;  // IMAGE_FILE_MACHINE_ARM64
constexpr int kMachineUserEnabled = 1;    // MACHINE_ATTRIBUTES: its programs run
using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
using GetMachineTypeAttributesFunction = HRESULT(WINAPI*)(USHORT, int*);
using IsWow64GuestMachineSupportedFunction = HRESULT(WINAPI*)(USHORT, BOOL*);

// IsWow64Process2 came with Windows 10 1511; every ARM64 Windows has it.
bool RunsOnArm64() {
    const auto isWow64 = ProcAddress<IsWow64Process2Function>(Kernel32(), "IsWow64Process2");
    USHORT process = 0;
    USHORT native = 0;
    return isWow64 != nullptr && isWow64(::GetCurrentProcess(), &process, &native) && native == kMachineArm64;
}

// x64 programs on ARM64 are emulated outside WOW64, so IsWow64GuestMachineSupported may
// deny them where they run: Windows 11, which brought their emulation, answers through
// GetMachineTypeAttributes. Where that is absent WOW64's answer counts, and an ARM64
// Windows with neither runs no x64 program.
bool Arm64RunsX64Programs() {
    if (const auto attributesOf =
            ProcAddress<GetMachineTypeAttributesFunction>(Kernel32(), "GetMachineTypeAttributes")) {
        int attributes = 0;
        if (SUCCEEDED(attributesOf(kMachineAmd64, &attributes))) return (attributes & kMachineUserEnabled) != 0;
    }
    const auto guestSupported =
        ProcAddress<IsWow64GuestMachineSupportedFunction>(Kernel32(), "IsWow64GuestMachineSupported");
    BOOL supported = FALSE;
    return guestSupported != nullptr && SUCCEEDED(guestSupported(kMachineAmd64, &supported)) && supported;
}

}  // namespace

std::optional<OsVersion> QueryOsVersion() {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    BOOL answered = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
    if (!answered) {
        // Systems that know only the short form leave the product type at 0.
        info = {};
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        answered = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
    }
    if (!answered) return std::nullopt;
    return OsVersion{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.wProductType};
}

std::uint16_t NativeProcessorArchitecture() {
    if (RunsOnArm64()) return kArchitectureArm64;
    using GetNativeSystemInfoFunction = void(WINAPI*)(LPSYSTEM_INFO);
    SYSTEM_INFO info{};
    if (const auto getNative = ProcAddress<GetNativeSystemInfoFunction>(Kernel32(), "GetNativeSystemInfo")) {
        getNative(&info);
    } else {
        ::GetSystemInfo(&info);
    }
    return info.wProcessorArchitecture;
}

bool RunsUnderWow64() {
    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = ProcAddress<IsWow64ProcessFunction>(Kernel32(), "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 != nullptr && isWow64(::GetCurrentProcess(), &wow64) && wow64;
}

MachineFacts ThisMachine() {
    const std::uint16_t architecture = NativeProcessorArchitecture();
    const bool x64 =
        architecture == kArchitectureAmd64 || (architecture == kArchitectureArm64 && Arm64RunsX64Programs());
    return {sizeof(void*) == 8, architecture, x64};
}

std::optional<WindowsVersion> QueryRealWindowsVersion() {
    // RtlGetVersion takes the short form's layout, which the long one begins with.
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    const auto getVersion = ProcAddress<RtlGetVersionFunction>(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (getVersion == nullptr || getVersion(&info) != 0) return std::nullopt;
    return WindowsVersion{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.wProductType};
}

OsChoice DetectOsIndex() {
    return OsIndexForVersion(QueryOsVersion(), NativeProcessorArchitecture());
}
