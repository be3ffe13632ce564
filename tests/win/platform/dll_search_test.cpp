#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/exit_code.h"
#include "core/pe_imports.h"
#include "tests/support/test_constants.h"
#include "tests/support/wine/spooler_probe.h"
#include "tests/support/wine/wine_prefix.h"
#include "tests/win/platform/platform_support.h"
#include "win/platform/late_dependencies.h"
#include "win/platform/os_detection.h"
#include "win/platform/system_paths.h"
#include "win/platform/win32_program_runner.h"

namespace {

using namespace std::string_literals;

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

struct SearchCase {
    const wchar_t* search;  // the child mode's SEARCH
    bool plantedLoaded;
};

void PrintTo(const SearchCase& c, std::ostream* out) {
    *out << ToUtf8(c.search);
}

// compstui.dll, which winspool.drv names, planted beside this program for the length of a
// test (for longer, this program's own unrestricted loads would take it).
class PlantedLateDependencyTest : public testing::TestWithParam<SearchCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(::CopyFileW((ProgramDirectory() + L"\\printui.dll").c_str(), planted_.c_str(), FALSE));
        wine_prefix::SetDllOverride(kLibrary, L"native,builtin", kThisProgramName);
    }
    void TearDown() override {
        wine_prefix::SetDllOverride(kLibrary, std::nullopt, kThisProgramName);
        ::DeleteFileW(planted_.c_str());
        ::DeleteFileW(Mark(kLibrary).c_str());
    }
    static constexpr wchar_t kLibrary[] = L"compstui.dll";
    const std::wstring planted_ = ProgramDirectory() + L"\\" + kLibrary;
};

// Where the search cannot be restricted to the system directory, the program's folder is
// searched first; only the late dependencies loaded from the system directory beforehand
// keep a library planted there from running.
TEST_P(PlantedLateDependencyTest, IsTakenFromTheSystemDirectoryOnlyOnceLoadedFromIt) {
    EXPECT_EQ(RunChild(std::wstring(L"--child-load ") + kLibrary + L" " + GetParam().search), 0);
    EXPECT_EQ(FileExists(Mark(kLibrary)), GetParam().plantedLoaded);
}

INSTANTIATE_TEST_SUITE_P(SearchBeforeWindows8, PlantedLateDependencyTest,
                         testing::Values(SearchCase{L"current-directory-out", true},
                                         SearchCase{L"late-dependencies-loaded", false}));

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

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

std::wstring FileName(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

bool Lists(const std::vector<std::wstring>& paths, const std::wstring& file) {
    return std::any_of(paths.begin(), paths.end(),
                       [&](const std::wstring& path) { return SameText(FileName(path), file); });
}

constexpr wchar_t kKnownLibrariesKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\KnownDLLs";

struct KnownCase {
    const wchar_t* known;  // a library the KnownDLLs key names, or none
    bool shell32Loaded;    // printui.dll names shell32.dll
};

class LateDependenciesTest : public testing::TestWithParam<KnownCase> {
protected:
    void SetUp() override {
        if (GetParam().known) {
            ASSERT_TRUE(SetRegistryText(HKEY_LOCAL_MACHINE, kKnownLibrariesKey, L"kestrin_test", GetParam().known));
        }
    }
    void TearDown() override { DeleteRegistryValue(HKEY_LOCAL_MACHINE, kKnownLibrariesKey, L"kestrin_test"); }
};

TEST_P(LateDependenciesTest, AreAllTheyNameLoadedFromTheSystemDirectory) {
    const LateDependencies late = LoadLateDependencies();
    EXPECT_EQ(late.NotLoadedLine(), L"");
    const std::wstring system = SystemDirectory() + L"\\";
    for (const std::wstring& path : late.loaded) {
        EXPECT_TRUE(SameText(path.substr(0, system.size()), system)) << ToUtf8(path);
        wchar_t loadedFrom[MAX_PATH] = {};
        ::GetModuleFileNameW(::GetModuleHandleW(path.c_str()), loadedFrom, MAX_PATH);
        EXPECT_TRUE(SameText(loadedFrom, path)) << ToUtf8(loadedFrom) << " for " << ToUtf8(path);
    }
    EXPECT_TRUE(Lists(late.loaded, L"comctl32.dll"));  // named by compstui.dll, which winspool.drv names
    EXPECT_EQ(Lists(late.loaded, L"shell32.dll"), GetParam().shell32Loaded);

    // What they and the libraries loaded name, read here from the files, is loaded too.
    const std::set<std::string> known = GetParam().shell32Loaded ? std::set<std::string>{} : std::set{"shell32.dll"s};
    std::vector<std::wstring> read = {SystemFilePath(L"printui.dll"), SystemFilePath(L"winspool.drv")};
    read.insert(read.end(), late.loaded.begin(), late.loaded.end());
    for (const std::wstring& path : read) {
        const std::optional<std::string> bytes = FileBytes(path);
        ASSERT_TRUE(bytes.has_value()) << ToUtf8(path);
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
        for (const std::string& name : ImportedLibraries({data, bytes->size()})) {
            const std::string file = SystemLibraryToLoad(name, known);
            const std::wstring wide(file.begin(), file.end());
            if (file.empty() || !IsFile(SystemFilePath(wide))) continue;
            if (wide == L"printui.dll" || wide == L"winspool.drv") continue;  // loaded where they are used
            EXPECT_TRUE(Lists(late.loaded, wide)) << name << ", named by " << ToUtf8(path);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(KnownLibraries, LateDependenciesTest,
                         testing::Values(KnownCase{nullptr, true}, KnownCase{L"shell32.dll", false},
                                         KnownCase{L"SHELL32.DLL", false}));

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
