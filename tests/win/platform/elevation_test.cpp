#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>
#include <string>

#include "tests/win/platform/platform_support.h"
#include "win/platform/elevation.h"

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

}  // namespace
