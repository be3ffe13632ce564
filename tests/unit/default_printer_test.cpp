#include "core/default_printer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "core/install_sequence.h"
#include "core/removal.h"
#include "tests/support/fake_system.h"
#include "tests/support/test_constants.h"

namespace {

using Calls = std::vector<std::wstring>;

const std::wstring kKey = L"SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Kestrin default printer Kiosk1";
const std::wstring kSet = L"RegSetValue " + kKey + L" | ";
const Calls kEntry = {
    kSet + L" | REG_SZ Kestrin: Kiosk1 as the default printer",
    kSet +
        L"StubPath | REG_EXPAND_SZ %SystemRoot%\\System32\\rundll32.exe printui.dll,PrintUIEntry /y /q /n \"Kiosk1\"",
    kSet + L"Version | REG_SZ 2026,1208,1403,07",
    kSet + L"IsInstalled | REG_DWORD 1",
};

InstallResult Install(FakeSystem& fake) {
    return RunInstallation({{}, L"Kiosk1", L"C:\\drivers\\model", kRecordFile}, fake.System());
}

// The calls from the record file on, up to the lock let go.
Calls AfterTheRecord(const FakeSystem& fake) {
    const auto record = std::find(fake.calls.begin(), fake.calls.end(), L"WriteFile " + std::wstring(kRecordFile));
    const auto release = std::find(record, fake.calls.end(), L"Release lock");
    return record == fake.calls.end() ? Calls{} : Calls(record + 1, release);
}

// The user the run is gets the printer as default; the system account, whose default no
// person sees, has each user get it at their next logon. Neither failure fails the run.
struct DefaultCase {
    const char* name;
    bool systemAccount;
    SystemError setDefaultError;
    std::deque<SystemError> registryErrors;
    std::size_t entryWrites;  // of kEntry, in its order
    Calls then;               // up to the end
};

class DefaultPrinterTest : public testing::TestWithParam<DefaultCase> {};

const std::wstring kRegistered =
    L"debug the default printer is set for each user at their next logon (Active Setup: " + kKey + L")";
const std::wstring kNotRegistered = L"debug the per-user default printer could not be registered: error ";

TEST_P(DefaultPrinterTest, GoesToTheRightUser) {
    const DefaultCase& c = GetParam();
    FakeSystem fake;
    fake.systemAccount = c.systemAccount;
    fake.setDefaultError = c.setDefaultError;
    fake.registryErrors = c.registryErrors;
    const InstallResult result = Install(fake);
    EXPECT_EQ(std::tie(result.code, result.printerName), std::make_tuple(ExitCode::Installed, std::wstring(L"Kiosk1")));
    Calls expected(kEntry.begin(), kEntry.begin() + static_cast<std::ptrdiff_t>(c.entryWrites));
    expected.insert(expected.end(), c.then.begin(), c.then.end());
    EXPECT_EQ(AfterTheRecord(fake), expected);
    // Half an entry would still run its command at each logon: none is left.
    EXPECT_EQ(fake.registryKeys.contains(kKey), c.then.back() == kRegistered);
    EXPECT_EQ(fake.steps.back(), RunStep::DefaultPrinter);
}

INSTANTIATE_TEST_SUITE_P(
    Users, DefaultPrinterTest,
    testing::Values(
        DefaultCase{"TheRunsOwnUser", false, 0, {}, 0, {L"SetDefaultPrinter Kiosk1"}},
        DefaultCase{"NotSet",
                    false,
                    1801,
                    {},
                    0,
                    {L"SetDefaultPrinter Kiosk1", L"debug the default printer could not be set: error 1801"}},
        DefaultCase{"EachUserAtLogon", true, 0, {}, 4, {kRegistered}},
        DefaultCase{"RegistryRefused", true, 0, {5}, 1, {L"RegDeleteKey " + kKey, kNotRegistered + L"5"}},
        DefaultCase{
            "RefusedHalfway", true, 0, {0, 0, 0, 1450}, 4, {L"RegDeleteKey " + kKey, kNotRegistered + L"1450"}}),
    [](const auto& p) { return std::string(p.param.name); });

RemovalResult Remove(FakeSystem& fake) {
    return RunRemoval({L"Kiosk1", kRecordFile}, fake.System(), [](const std::wstring&) { return true; });
}

// Removed and installed again, the entry comes back with a higher version, so that each
// user's next logon makes the printer their default again.
TEST(DefaultForEachUser, ARemovalTakesTheEntryBackAndAReinstallationRaisesItsVersion) {
    FakeSystem fake;
    fake.systemAccount = true;
    ASSERT_EQ(Install(fake).code, ExitCode::Installed);
    EXPECT_EQ(fake.registryKeys[kKey][L"Version"], L"REG_SZ 2026,1208,1403,07");

    fake.calls.clear();
    EXPECT_EQ(Remove(fake).outcome, RemovalResult::Outcome::Removed);
    EXPECT_FALSE(fake.registryKeys.contains(kKey));
    // Right once the printer is gone, and said so.
    const Calls withdrawn = {
        L"debug the printer Kiosk1 is deleted", L"RegDeleteKey " + kKey,
        L"debug the default printer for each user's next logon is withdrawn (Active Setup: " + kKey + L")"};
    EXPECT_NE(std::search(fake.calls.begin(), fake.calls.end(), withdrawn.begin(), withdrawn.end()), fake.calls.end());

    ASSERT_EQ(Install(fake).code, ExitCode::Installed);
    EXPECT_EQ(fake.registryKeys[kKey][L"Version"], L"REG_SZ 2026,1208,1403,08");
}

// No entry is no failure; another failure is a line, and the removal goes on.
TEST(DefaultForEachUser, ARemovalSaysWhenTheEntryStays) {
    for (const bool printerThere : {true, false}) {
        FakeSystem fake;
        fake.files[kRecordFile] = "Kiosk1";
        if (printerThere) fake.printers = {L"Kiosk1"};
        fake.registryErrors = {5};
        const RemovalResult result = Remove(fake);
        EXPECT_EQ(result.code, ExitCode::Installed);
        EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(),
                             L"debug the per-user default printer could not be withdrawn (Active Setup: " + kKey +
                                 L"): error 5"),
                  1)
            << printerThere;
        EXPECT_FALSE(fake.files.contains(kRecordFile));
    }
}

struct VersionCase {
    std::int64_t unixSeconds;
    const wchar_t* version;
};

class ActiveSetupVersionTest : public testing::TestWithParam<VersionCase> {};

TEST_P(ActiveSetupVersionTest, IsTheUtcDateAndTime) {
    EXPECT_EQ(ActiveSetupVersion(GetParam().unixSeconds), GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(Moments, ActiveSetupVersionTest,
                         testing::Values(VersionCase{0, L"1970,0101,0000,00"}, VersionCase{-1, L"1969,1231,2359,59"},
                                         VersionCase{951782400, L"2000,0229,0000,00"},
                                         VersionCase{1796738587, L"2026,1208,1403,07"},
                                         VersionCase{4107542399, L"2100,0228,2359,59"},
                                         VersionCase{4107542400, L"2100,0301,0000,00"},
                                         VersionCase{253402300799, L"9999,1231,2359,59"}));

}  // namespace
