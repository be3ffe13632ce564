#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "core/elevation.h"
#include "core/ports.h"

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

struct ShareBufferCase {
    std::wstring_view buffer;
    const wchar_t* expected;
};

class ShareBufferTest : public testing::TestWithParam<ShareBufferCase> {};

TEST_P(ShareBufferTest, EndsAtTheFirstNulOrTheBuffersEnd) {
    EXPECT_EQ(ShareNameInBuffer(GetParam().buffer), GetParam().expected);
}

using namespace std::string_view_literals;

INSTANTIATE_TEST_SUITE_P(Buffers, ShareBufferTest,
                         testing::Values(ShareBufferCase{L"\\\\files\\kiosk\0\0\0"sv, L"\\\\files\\kiosk"},
                                         ShareBufferCase{L"\\\\files\\kiosk\0stale"sv, L"\\\\files\\kiosk"},
                                         // No NUL at all: the whole buffer, never an exception.
                                         ShareBufferCase{L"\\\\files\\kiosk"sv, L"\\\\files\\kiosk"},
                                         ShareBufferCase{L"\0\\\\files"sv, L""}, ShareBufferCase{L""sv, L""}));

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

struct OwnerCase {
    std::wstring_view owner;
    std::wstring_view ownerOfThisProgram;
    bool started;
};

class ProgramOwnerTest : public testing::TestWithParam<OwnerCase> {};

TEST_P(ProgramOwnerTest, OnlyOneNoStandardUserCanBeStartsTheProgram) {
    EXPECT_EQ(TrustedOwner(GetParam().owner, GetParam().ownerOfThisProgram), GetParam().started);
}

constexpr std::wstring_view kUser = L"S-1-5-21-1004336348-1177238915-682003330-1001";
constexpr std::wstring_view kOtherUser = L"S-1-5-21-1004336348-1177238915-682003330-1002";

INSTANTIATE_TEST_SUITE_P(Owners, ProgramOwnerTest,
                         testing::Values(OwnerCase{kAdministratorsSid, kUser, true}, OwnerCase{kSystemSid, kUser, true},
                                         OwnerCase{kTrustedInstallerSid, kUser, true}, OwnerCase{kUser, kUser, true},
                                         OwnerCase{kAdministratorsSid, L"", true},
                                         // Someone else's file, or one whose owner nobody could read.
                                         OwnerCase{kOtherUser, kUser, false},
                                         OwnerCase{kUser, kAdministratorsSid, false},
                                         OwnerCase{L"S-1-5-32-545", kUser, false},
                                         OwnerCase{L"S-1-5-32-5440", kUser, false},
                                         OwnerCase{L"S-1-5-80-956008885", kUser, false}, OwnerCase{L"", L"", false},
                                         OwnerCase{L"", kUser, false}));

struct QuoteCase {
    const wchar_t* arguments;
    const wchar_t* refused;  // the option refused, or null
};

class QuoteOnceExpandedTest : public testing::TestWithParam<QuoteCase> {};

// %KIOSK% expands to a plain path; %EVIL% as someone who sets the variable chose.
std::wstring ExpandedWithQuotes(std::wstring_view path) {
    std::wstring text = Expanded(path);
    if (const auto at = text.find(L"%EVIL%"); at != std::wstring::npos) text.replace(at, 6, L"a\" /port:LPT2 \"b");
    return text;
}

TEST_P(QuoteOnceExpandedTest, NamesThePathOptionThatWouldEndItsArgument) {
    const ParsedCommandLine parsed = ParseCommandLine(std::wstring(L"kestrin.exe ") + GetParam().arguments);
    const std::optional<std::wstring> refused = OptionWithQuoteOnceExpanded(parsed, ExpandedWithQuotes);
    if (GetParam().refused == nullptr) {
        EXPECT_EQ(refused, std::nullopt);
    } else {
        EXPECT_EQ(refused, GetParam().refused);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, QuoteOnceExpandedTest,
    testing::Values(QuoteCase{L"/log:\"C:\\Kiosk logs\\a.log\" /record:%KIOSK%\\k1 eng Kiosk1 C:\\d\\m", nullptr},
                    QuoteCase{L"/log:C:\\%EVIL%.log eng Kiosk1 C:\\d\\m", L"/log:"},
                    QuoteCase{L"/log:C:\\a.log /record:\"%EVIL%\" /remove eng Kiosk1", L"/record:"}));

}  // namespace

// The installation that an interactive run starts with administrator rights once its
// pages are done.
struct PassiveCase {
    const char* name;
    InstallSettings settings;
    const wchar_t* arguments;  // the interactive run's, after the program path
    const wchar_t* expected;
    bool refused = false;  // a choice outside its list: the elevated run must refuse it
};

// The pages' record; serial values: baud, byte size, parity, stop bits, flow control.
InstallSettings Pages(OsChoice os, std::int32_t portIndex, const wchar_t* portName, bool testPage = false,
                      std::array<std::int32_t, 5> serial = {5, 3, 0, 0, 2}) {
    InstallSettings s;
    std::tie(s.osIndex, s.printerName, s.portIndex, s.portName) = std::make_tuple(os, L"Kiosk1", portIndex, portName);
    std::tie(s.baudIndex, s.byteSizeIndex, s.parityIndex, s.stopBitsIndex, s.flowControlIndex) = std::tuple_cat(serial);
    s.printTestPage = testPage;
    return s;
}

// What the installation reads of a record: the port by its spooler name, and its serial
// values only for a COM port.
auto WhatIsInstalled(const InstallSettings& s) {
    const std::wstring port = ChosenPort(s.portIndex, s.portName).value_or(L"");
    const int com = port.starts_with(L"COM") ? 1 : 0;
    return std::make_tuple(s.osIndex, s.setAsDefault, port, com * s.baudIndex, com * s.byteSizeIndex,
                           com * s.parityIndex, com * s.stopBitsIndex, com * s.flowControlIndex, s.printTestPage,
                           s.printerName);
}

class PassiveArgumentsTest : public testing::TestWithParam<PassiveCase> {};

TEST_P(PassiveArgumentsTest, GiveBackThePagesChoicesWithoutTheDefaultPrinter) {
    const PassiveCase& c = GetParam();
    const ParsedCommandLine original = ParseCommandLine(std::wstring(L"kestrin.exe ") + c.arguments);
    const std::wstring arguments = ArgumentsForPassiveRun(c.settings, original, L"Kestrin-7f3a", Mapped, Expanded);
    EXPECT_EQ(arguments, c.expected);

    const ParsedCommandLine elevated = ParseCommandLine(L"kestrin.exe " + arguments);
    EXPECT_EQ(elevated.error.has_value(), c.refused);
    if (c.refused) return;
    EXPECT_EQ(std::tie(elevated.options.passive, elevated.options.handback, elevated.commandLine.languageCode,
                       elevated.commandLine.basePrinterName),
              std::make_tuple(true, std::wstring(L"Kestrin-7f3a"), original.commandLine.languageCode,
                              std::wstring(L"Kiosk1")));
    InstallSettings expected = c.settings;
    expected.setAsDefault = false;
    // The same machine detects the same system the pages started from.
    EXPECT_EQ(WhatIsInstalled(SettingsFromOptions(elevated.options, OsChoice::Unrecognised, L"Kiosk1")),
              WhatIsInstalled(expected));
}

// Without a section to hand the name back through, the elevated run still installs.
TEST(PassiveArguments, WithoutAHandbackNameNoHandbackOption) {
    const ParsedCommandLine original = ParseCommandLine(L"kestrin.exe eng Kiosk1 C:\\d\\m");
    EXPECT_EQ(ArgumentsForPassiveRun(Pages(OsChoice::Windows2000, 0, L""), original, L"", Mapped, Expanded),
              L"/passive /os:2000 /port:LPT1: /nodefault eng Kiosk1 C:\\d\\m");
}

INSTANTIATE_TEST_SUITE_P(
    Choices, PassiveArgumentsTest,
    testing::Values(
        PassiveCase{"Defaults", Pages(OsChoice::Windows2000, 0, L""), L"eng Kiosk1 C:\\d\\m",
                    L"/passive /os:2000 /port:LPT1: /nodefault /handback:Kestrin-7f3a eng Kiosk1 C:\\d\\m"},
        // The log and record file in the order the options stand, whatever the line's.
        PassiveCase{"ComPortAndPathsOnAMappedDrive", Pages(OsChoice::Windows7, 4, L"COM2:", true),
                    L"/record:%KIOSK%\\k1.kestrin /log:\"Z:\\Kiosk logs\\a.log\" chi Kiosk1 \"Z:\\my drivers\\tavik\"",
                    L"/passive /os:7 /port:COM2: /baud:19200 /bytesize:8 /parity:none /stopbits:1 /flow:hardware "
                    L"/nodefault /testpage /log:\"\\\\files\\kiosk\\Kiosk logs\\a.log\" "
                    L"/record:\"\\\\files\\kiosk\\kiosk\\k1.kestrin\" /handback:Kestrin-7f3a chi Kiosk1 "
                    L"\"\\\\files\\kiosk\\my drivers\\tavik\""},
        PassiveCase{"MachinePortWithEveryOtherValue",
                    Pages(OsChoice::Unrecognised, 9, L"COM10:", false, {8, 0, 4, 1, 1}),
                    L"/log:C:\\logs\\a.log esp Kiosk1 Y:\\tavik",
                    L"/passive /port:COM10: /baud:115200 /bytesize:5 /parity:mark /stopbits:1.5 /flow:xonxoff "
                    L"/nodefault /log:\"C:\\logs\\a.log\" /handback:Kestrin-7f3a esp Kiosk1 \\\\files\\drivers\\tavik"},
        // A port that is not COM carries no serial values, whatever the page last showed.
        PassiveCase{"UsbPortOnWindows8", Pages(OsChoice::Windows8, 7, L"USB001", false, {0, 1, 2, 2, 0}),
                    L"eng Kiosk1 C:\\Program Files\\drv\\m",
                    L"/passive /os:8 /port:USB001 /nodefault /handback:Kestrin-7f3a eng Kiosk1 "
                    L"C:\\Program Files\\drv\\m"},
        PassiveCase{"PortOutsideTheList", Pages(OsChoice::WindowsXp, 12, L""), L"eng Kiosk1 C:\\d\\m",
                    L"/passive /os:xp /port: /nodefault /handback:Kestrin-7f3a eng Kiosk1 C:\\d\\m", true},
        PassiveCase{"BaudOutsideTheList", Pages(OsChoice::WindowsVista, 3, L"COM1:", false, {9, 3, 0, 0, 2}),
                    L"eng Kiosk1 C:\\d\\m",
                    L"/passive /os:vista /port:COM1: /baud: /bytesize:8 /parity:none /stopbits:1 /flow:hardware "
                    L"/nodefault /handback:Kestrin-7f3a eng Kiosk1 C:\\d\\m",
                    true}),
    [](const auto& p) { return std::string(p.param.name); });
