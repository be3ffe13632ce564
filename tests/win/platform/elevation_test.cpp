#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>
#include <string>

#include "tests/win/platform/platform_support.h"
#include "win/platform/elevation.h"
#include "win/platform/printer_name_handback.h"

namespace {

// Wine gives every process its user's full token, so the decision to start again is the
// core's and tested there; what is tested here is the start itself, through the same
// "runas" verb, of this program in a mode that reports what it was given.
TEST(Relaunch, PassesTheArgumentsAndTheDirectoryOnAndTheExitCodeBack) {
    const ScratchDirectory scratch;
    const std::wstring arguments = L"--child-report report.txt /log:\"C:\\Kiosk logs\\a.log\" eng Kiosk1 C:\\d\\m";
    const RelaunchResult relaunch = RelaunchElevated(ThisProgram(), arguments, scratch.path());

    ASSERT_EQ(relaunch.outcome, RelaunchResult::Outcome::Ended) << "error " << relaunch.error;
    EXPECT_EQ(relaunch.exitCode, 43u);
    const std::wstring report = FromUtf8(FileBytes(scratch.File(L"report.txt")).value_or(""));
    std::wistringstream lines(report);
    std::wstring commandLine, directory;
    std::getline(lines, commandLine);
    std::getline(lines, directory);
    EXPECT_TRUE(commandLine.ends_with(L" " + arguments)) << ToUtf8(commandLine);
    EXPECT_EQ(directory, scratch.path());
}

TEST(Relaunch, OfAProgramThatIsNotThereCarriesOn) {
    const RelaunchResult relaunch = RelaunchElevated(ProgramDirectory() + L"\\no such program.exe", L"", L"");
    EXPECT_EQ(relaunch.outcome, RelaunchResult::Outcome::NotStarted);
    EXPECT_NE(relaunch.error, 0u);
}

// The person's run waits for the run with administrator rights and reads the printer's
// whole name from it, characters past U+00FF included, which the record file cannot keep.
TEST(Relaunch, HandsThePrintersWholeNameBack) {
    DWORD error = 0;
    const auto handback = PrinterNameHandback::Create(error);
    ASSERT_NE(handback, nullptr) << "error " << error;
    EXPECT_EQ(handback->Read(), std::nullopt);
    const std::wstring printer = L"Kiosk \u4E2D\u6587 (copy of 2)";
    const RelaunchResult relaunch = RelaunchElevated(
        ThisProgram(), L"--child-handback " + handback->Name() + L" \"" + printer + L"\"", ProgramDirectory());

    ASSERT_EQ(relaunch.outcome, RelaunchResult::Outcome::Ended) << "error " << relaunch.error;
    EXPECT_EQ(relaunch.exitCode, 44u);
    EXPECT_EQ(handback->Read(), printer);
    // Each run its own section, and none that is not there.
    EXPECT_NE(PrinterNameHandback::Create(error)->Name(), handback->Name());
    EXPECT_EQ(HandBackPrinterName(L"Kestrin-no-such-section", printer), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
