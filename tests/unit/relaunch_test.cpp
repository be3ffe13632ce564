#include <gtest/gtest.h>

#include "core/elevation.h"

namespace {

using Outcome = RelaunchResult::Outcome;

struct AfterCase {
    RelaunchResult relaunch;
    AfterRelaunch expected;
};

class AfterRelaunchTest : public testing::TestWithParam<AfterCase> {};

TEST_P(AfterRelaunchTest, OnlyARunThatNeverStartedLetsThisOneGoOn) {
    EXPECT_EQ(DecideAfterRelaunch(GetParam().relaunch), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, AfterRelaunchTest,
    testing::Values(AfterCase{{Outcome::Ended, 4, 0}, {4, L""}},
                    AfterCase{{Outcome::Ended, 0xC0000005u, 0}, {-1073741819, L""}},
                    AfterCase{{Outcome::Declined, 0, 1223}, {1, L""}},
                    AfterCase{
                        {Outcome::ExitCodeUnread, 0, 6},
                        {1, L"the run with administrator rights ended, but its exit code could not be read: error 6"}},
                    AfterCase{{Outcome::NotStarted, 0, 2},
                              {std::nullopt, L"could not start again with administrator rights: error 2"}}));

// Z: is mapped to \\files\kiosk, Y: to a share given with a trailing backslash.
std::optional<std::wstring> Mapped(wchar_t drive) {
    if (drive == L'Z' || drive == L'z') return L"\\\\files\\kiosk";
    if (drive == L'Y') return L"\\\\files\\drivers\\";
    return std::nullopt;
}

struct UncCase {
    const wchar_t* path;
    const wchar_t* expected;
};

class UncPathTest : public testing::TestWithParam<UncCase> {};

TEST_P(UncPathTest, NamesTheShareBehindAMappedDrive) {
    EXPECT_EQ(UncPath(GetParam().path, Mapped), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Paths, UncPathTest,
                         testing::Values(UncCase{L"Z:\\drivers\\tavik", L"\\\\files\\kiosk\\drivers\\tavik"},
                                         UncCase{L"z:\\Kiosk logs\\a.log", L"\\\\files\\kiosk\\Kiosk logs\\a.log"},
                                         UncCase{L"Y:\\tavik", L"\\\\files\\drivers\\tavik"},
                                         UncCase{L"C:\\drivers\\tavik", L"C:\\drivers\\tavik"},
                                         UncCase{L"\\\\files\\kiosk\\tavik", L"\\\\files\\kiosk\\tavik"},
                                         UncCase{L"driver\\tavik", L"driver\\tavik"}, UncCase{L"Z:tavik", L"Z:tavik"},
                                         UncCase{L"Z:", L"Z:"}, UncCase{L"", L""}));

struct ArgumentsCase {
    const wchar_t* arguments;
    const wchar_t* expected;
};

class ElevatedArgumentsTest : public testing::TestWithParam<ArgumentsCase> {};

// %KIOSK% stands for Z:\kiosk in this session.
std::wstring Expanded(std::wstring_view path) {
    std::wstring text(path);
    if (const auto at = text.find(L"%KIOSK%"); at != std::wstring::npos) text.replace(at, 7, L"Z:\\kiosk");
    return text;
}

TEST_P(ElevatedArgumentsTest, CarryUncPathsInsteadOfMappedDrives) {
    const ParsedCommandLine parsed = ParseCommandLine(std::wstring(L"kestrin.exe ") + GetParam().arguments);
    EXPECT_EQ(ArgumentsForElevatedRun(GetParam().arguments, parsed, Mapped, Expanded), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ElevatedArgumentsTest,
    testing::Values(
        // Nothing on a mapped drive: the same text, spaces and all.
        ArgumentsCase{L"eng  Kiosk1   C:\\d\\m ", L"eng  Kiosk1   C:\\d\\m "},
        ArgumentsCase{L"/log:\"C:\\Kiosk logs\\a.log\"  eng Kiosk1 C:\\d\\m",
                      L"/log:\"C:\\Kiosk logs\\a.log\"  eng Kiosk1 C:\\d\\m"},
        ArgumentsCase{L"eng Kiosk1 Z:\\drivers\\tavik", L"eng Kiosk1 \\\\files\\kiosk\\drivers\\tavik"},
        ArgumentsCase{L"eng Kiosk1 \"Z:\\my drivers\\tavik\"", L"eng Kiosk1 \"\\\\files\\kiosk\\my drivers\\tavik\""},
        ArgumentsCase{L"/log:\"Z:\\Kiosk logs\\a.log\" chi Kiosk1 C:\\d\\m",
                      L"/log:\"\\\\files\\kiosk\\Kiosk logs\\a.log\" chi Kiosk1 C:\\d\\m"},
        ArgumentsCase{L"\"/log:z:\\a b.log\" esp Kiosk1 Y:\\tavik",
                      L"/log:\"\\\\files\\kiosk\\a b.log\" esp Kiosk1 \\\\files\\drivers\\tavik"},
        // The paths of options as this session expands them.
        ArgumentsCase{L"/record:%KIOSK%\\k1.kestrin /remove eng Kiosk1",
                      L"/record:\"\\\\files\\kiosk\\kiosk\\k1.kestrin\" /remove eng Kiosk1"}));

}  // namespace
