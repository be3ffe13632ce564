#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "core/exit_code.h"
#include "tests/support/test_constants.h"
#include "tests/support/wine/spooler_probe.h"
#include "tests/support/wine/wine_prefix.h"
#include "tests/win/platform/platform_support.h"
#include "win/platform/os_detection.h"
#include "win/platform/system_paths.h"
#include "win/platform/win32_program_runner.h"

namespace {

const wchar_t* const kPlanted[] = {L"printui.dll", L"winspool.drv"};
const std::wstring kThisProgramName = ThisProgram().substr(ThisProgram().find_last_of(L'\\') + 1);

std::wstring Mark(const std::wstring& library) {
    return ProgramDirectory() + L"\\" + library + L".loaded";
}

// printui.dll and winspool.drv lie beside this program (see planted_library.cpp). Wine
// normally ignores such libraries; told to behave like Windows for this program, it
// takes them for any load by bare name. Installations run in a child process, whose
// libraries are all loaded afresh.
class PlantedLibraryTest : public testing::Test {
protected:
    static void SetUpTestSuite() { wine_prefix::RegisterTavikDriver(); }

    void SetUp() override {
        for (const wchar_t* library : kPlanted) {
            wine_prefix::SetDllOverride(library, L"native,builtin", kThisProgramName);
            ::DeleteFileW(Mark(library).c_str());
        }
    }
    void TearDown() override {
        for (const wchar_t* library : kPlanted) {
            wine_prefix::SetDllOverride(library, std::nullopt, kThisProgramName);
            ::DeleteFileW(Mark(library).c_str());
        }
    }
};

TEST_F(PlantedLibraryTest, AProgramLoadingByBareNameWouldRunThem) {
    for (const wchar_t* library : kPlanted) {
        EXPECT_EQ(RunChild(std::wstring(L"--child-load ") + library), 0) << library;
        EXPECT_TRUE(FileExists(Mark(library))) << library;
    }
}

// What start-up restricts the search to holds for every later load by bare name, also
// for those the system's own libraries make.
TEST_F(PlantedLibraryTest, AfterStartUpALoadByBareNameTakesTheSystemsLibrary) {
    for (const wchar_t* library : kPlanted) {
        EXPECT_EQ(RunChild(std::wstring(L"--child-load ") + library + L" restricted"), 0) << library;
        EXPECT_FALSE(FileExists(Mark(library))) << library;
    }
}

TEST_F(PlantedLibraryTest, TheInstallationNeverLoadsThem) {
    const ScratchDirectory scratch;
    EXPECT_EQ(RunChild(L"--child-install 4 0 Planted"), static_cast<int>(ExitCode::Installed));
    EXPECT_TRUE(spooler_probe::OpenPrinterFacts(L"Planted").has_value());
    for (const wchar_t* library : kPlanted) EXPECT_FALSE(FileExists(Mark(library))) << library;
}

TEST(PrinterSetupLibrary, WhenTheSystemRefusesToLoadItNothingIsInstalled) {
    const ScratchDirectory scratch;
    wine_prefix::SetDllOverride(L"printui", L"");  // every load of it fails
    const int outcome = RunChild(L"--child-install 4 0 NoSetupLibrary");
    wine_prefix::SetDllOverride(L"printui", std::nullopt);

    EXPECT_EQ(outcome, static_cast<int>(ExitCode::PrinterSetupMissing));
    EXPECT_FALSE(spooler_probe::OpenPrinterFacts(L"NoSetupLibrary").has_value());
    EXPECT_FALSE(FileExists(scratch.File(kRecordFile)));
}

TEST(SystemDirectory, NothingOutsideItIsLoadedOrStarted) {
    const ScratchDirectory scratch;  // the current directory, holding both
    ASSERT_TRUE(::CopyFileW((ProgramDirectory() + L"\\printui.dll").c_str(),
                            scratch.File(L"kestrin_cwd_probe.dll").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW((ProgramDirectory() + L"\\kestrin_standin_rundll32.exe").c_str(),
                            scratch.File(L"kestrin_probe.exe").c_str(), FALSE));

    EXPECT_FALSE(LoadSystemLibrary(L"kestrin_cwd_probe.dll"));
    Win32ProgramRunner runner;
    EXPECT_FALSE(runner.RunSystemProgram(L"kestrin_probe.exe", L"kestrin_probe.exe /b \"x\" /r \"LPT1:\"",
                                         SystemFolder::Program));
    EXPECT_FALSE(FileExists(scratch.File(L"kestrin_cwd_probe.dll.loaded")));
}

TEST(ProcessorArchitecture, IsTheMachinesEvenForA32BitProgram) {
    EXPECT_EQ(NativeProcessorArchitecture(), PROCESSOR_ARCHITECTURE_AMD64);
    SYSTEM_INFO own{};
    ::GetSystemInfo(&own);
#if defined(__i386__)
    EXPECT_EQ(own.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);  // what the program alone would see
#else
    EXPECT_EQ(own.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
#endif
}

// This Wine emulates no processor: whatever IsWow64Process2 and its kin answer here, the
// machine is x64, running x64 programs, and its real version can be read.
TEST(ProcessorArchitecture, NoArm64WhereTheMachineIsX64) {
    const MachineFacts facts = ThisMachine();
    EXPECT_EQ(facts.nativeArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
    EXPECT_TRUE(facts.runsX64Programs);
    EXPECT_EQ(facts.program64Bit, sizeof(void*) == 8);
    EXPECT_GE(QueryRealWindowsVersion().value_or(WindowsVersion{}).major, 5u);
}

}  // namespace
