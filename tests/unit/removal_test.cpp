#include "core/removal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "tests/support/fake_system.h"
#include "tests/support/test_constants.h"

namespace {

struct NameCase {
    const wchar_t* recorded;
    bool fromBase;  // with the base name "Kiosk1"
};

class RecordedNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(RecordedNameTest, IsTheBaseNameOrOneOfItsCopies) {
    EXPECT_EQ(IsNameFromBase(GetParam().recorded, L"Kiosk1"), GetParam().fromBase);
}

INSTANTIATE_TEST_SUITE_P(Names, RecordedNameTest,
                         testing::Values(NameCase{L"Kiosk1", true}, NameCase{L"KIOSK1", true},
                                         NameCase{L"Kiosk1(copy of 2)", true}, NameCase{L"kiosk1(COPY OF 9999)", true},
                                         NameCase{L"Kiosk1(copy of 1)", true}, NameCase{L"Kiosk1(copy of 0)", false},
                                         NameCase{L"Kiosk1(copy of 02)", false},
                                         NameCase{L"Kiosk1(copy of 10000)", false},
                                         NameCase{L"Kiosk1(copy of )", false}, NameCase{L"Kiosk1(copy of 2", false},
                                         NameCase{L"Kiosk1 (copy of 2)", false}, NameCase{L"Kiosk1(copy of -2)", false},
                                         NameCase{L"Kiosk12", false}, NameCase{L"Kiosk", false},
                                         NameCase{L"Front desk", false}, NameCase{L"", false}));

TEST(RecordedName, FoldsTheCaseOfLatin1AsWindowsDoes) {
    EXPECT_TRUE(IsNameFromBase(L"CAJA\u00d1O", L"caja\u00f1o"));
    EXPECT_FALSE(IsNameFromBase(L"Caja\u00d7", L"caja\u00f7"));  // multiplication and division signs
}

const std::wstring kModel = kDriverModel;

struct Removal {
    FakeSystem fake;
    bool answer = true;
    std::vector<std::wstring> asked;

    Removal() {
        fake.files[kRecordFile] = "Kiosk1(copy of 2)";
        fake.printers = {L"Kiosk1(copy of 2)"};
    }

    std::function<void()> whileAsked;  // what another run does while the question is open

    RemovalResult Run() {
        return RunRemoval({L"Kiosk1"}, fake.System(), [this](const std::wstring& printer) {
            asked.push_back(printer);
            fake.calls.push_back(L"question " + printer);
            if (whileAsked) whileAsked();
            return answer;
        });
    }
};

// The debugger lines of a run, in order.
std::vector<std::wstring> Lines(const FakeSystem& fake) {
    std::vector<std::wstring> lines;
    for (const std::wstring& call : fake.calls) {
        if (call.rfind(L"debug ", 0) == 0) lines.push_back(call.substr(6));
    }
    return lines;
}

std::size_t Count(const FakeSystem& fake, const std::wstring& call) {
    return static_cast<std::size_t>(std::count(fake.calls.begin(), fake.calls.end(), call));
}

using Outcome = RemovalResult::Outcome;
using Reason = RemovalResult::Reason;

// Asked without the lock, so that an open question holds up no other installation; then,
// holding it, the record read again, the jobs purged, and the driver's INF path read
// while the printer still leads to it.
TEST(Removal, TakesThePrinterTheDriverAndTheRecordInTurn) {
    Removal removal;
    const RemovalResult result = removal.Run();
    EXPECT_EQ(result, (RemovalResult{ExitCode::Installed, Outcome::Removed, Reason::None, L"Kiosk1(copy of 2)", 0}));
    EXPECT_EQ(removal.asked, std::vector<std::wstring>{L"Kiosk1(copy of 2)"});
    const std::wstring inf = removal.fake.infPath;
    EXPECT_EQ(removal.fake.calls,
              (std::vector<std::wstring>{
                  L"ReadFile " + std::wstring(kRecordFile),
                  L"debug the record file " + std::wstring(kRecordFile) + L" names the printer Kiosk1(copy of 2)",
                  L"OpenForRemoval Kiosk1(copy of 2)",
                  L"debug the printer Kiosk1(copy of 2) uses the driver " + kModel,
                  L"ClosePrinter Kiosk1(copy of 2)",
                  L"question Kiosk1(copy of 2)",
                  L"TryTake lock",
                  L"ReadFile " + std::wstring(kRecordFile),
                  L"OpenForRemoval Kiosk1(copy of 2)",
                  L"PurgeJobs Kiosk1(copy of 2)",
                  L"DriverInfPath Kiosk1(copy of 2)",
                  L"DeletePrinter Kiosk1(copy of 2)",
                  L"ClosePrinter Kiosk1(copy of 2)",
                  L"PrinterRemains Kiosk1(copy of 2)",
                  L"debug the printer Kiosk1(copy of 2) is deleted",
                  L"RegDeleteKey SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Kestrin default "
                  L"printer Kiosk1(copy of 2)",
                  L"DriversInUse",
                  L"DeleteDriver " + kModel,
                  L"debug the driver " + kModel + L" is removed",
                  L"DeleteDriverPackage " + inf,
                  L"debug the driver package " + inf + L" is removed from the driver store",
                  L"RemoveFile " + std::wstring(kRecordFile),
                  L"debug the record file " + std::wstring(kRecordFile) + L" is deleted",
                  L"Release lock",
              }));
    EXPECT_TRUE(removal.fake.printers.empty());
    EXPECT_FALSE(removal.fake.files.contains(kRecordFile));
}

// Each way a removal can end short of removing, and what it leaves.
struct ShortCase {
    const char* name;
    std::function<void(Removal&)> setUp;
    ExitCode code;
    Outcome outcome;
    Reason reason;
    SystemError error;
    bool printerStays;
    bool recordStays;
    const wchar_t* lastLine;  // the last debugger line
    bool locked = false;      // what ends it before the question takes no lock
};

class ShortTest : public testing::TestWithParam<ShortCase> {};

TEST_P(ShortTest, TouchesNothingItShouldNot) {
    Removal removal;
    GetParam().setUp(removal);
    const RemovalResult result = removal.Run();
    EXPECT_EQ(result.code, GetParam().code);
    EXPECT_EQ(result.outcome, GetParam().outcome);
    EXPECT_EQ(result.reason, GetParam().reason);
    EXPECT_EQ(result.error, GetParam().error);
    EXPECT_EQ(removal.fake.printers.contains(L"Kiosk1(copy of 2)"), GetParam().printerStays);
    EXPECT_EQ(removal.fake.files.contains(kRecordFile), GetParam().recordStays);
    const std::vector<std::wstring> lines = Lines(removal.fake);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), GetParam().lastLine);
    EXPECT_EQ(Count(removal.fake, L"TryTake lock"), GetParam().locked ? 1u : 0u);
    if (GetParam().locked) {
        EXPECT_EQ(removal.fake.calls.back(), L"Release lock");
    }
}

const std::wstring kRecordNames = L"the record file " + std::wstring(kRecordFile);

INSTANTIATE_TEST_SUITE_P(
    Ends, ShortTest,
    testing::Values(
        ShortCase{"NoRecord", [](Removal& r) { r.fake.files.clear(); }, ExitCode::Installed, Outcome::NothingFound,
                  Reason::None, 0, true, false, L"nothing to remove: there is no record file TollvekPrintName5249"},
        // An empty record is deleted, under the lock, rather than found by every later run.
        ShortCase{"EmptyRecord", [](Removal& r) { r.fake.files[kRecordFile] = ""; }, ExitCode::Installed,
                  Outcome::NothingFound, Reason::None, 0, true, false,
                  L"the record file TollvekPrintName5249 is deleted", true},
        ShortCase{"EmptyRecordNotDeleted",
                  [](Removal& r) {
                      r.fake.files[kRecordFile] = "";
                      r.fake.deleteError = 5;
                  },
                  ExitCode::RemovalFailed, Outcome::NotRemoved, Reason::RecordNotDeleted, 5, true, true,
                  L"the record file TollvekPrintName5249 could not be deleted: error 5", true},
        // A record is refused whole, never read cut to its first 1024 bytes.
        ShortCase{"RecordOfTheLongestLength",
                  [](Removal& r) { r.fake.files[kRecordFile] = std::string(kMaxRecordBytes, 'K'); },
                  ExitCode::RemovalFailed, Outcome::NotRemoved, Reason::NotThisBaseName, 0, true, true,
                  L"an installation with the base name Kiosk1 makes no printer of that name: nothing is removed"},
        ShortCase{
            "RecordTooLong",
            [](Removal& r) { r.fake.files[kRecordFile] = "Kiosk1(copy of 2)" + std::string(kMaxRecordBytes, ' '); },
            ExitCode::RemovalFailed, Outcome::NotRemoved, Reason::RecordTooLong, 0, true, true,
            L"the record file TollvekPrintName5249 is longer than 1024 bytes, which no installation writes: "
            L"nothing is removed"},
        ShortCase{"UnreadableRecord", [](Removal& r) { r.fake.readError = 5; }, ExitCode::RemovalFailed,
                  Outcome::NotRemoved, Reason::RecordUnreadable, 5, true, true,
                  L"the record file TollvekPrintName5249 cannot be read: error 5"},
        // Another user's record could name any printer: it is not read at all.
        ShortCase{"RecordOfAnotherOwner", [](Removal& r) { r.fake.readError = kErrorInvalidOwner; },
                  ExitCode::RemovalFailed, Outcome::NotRemoved, Reason::RecordNotTrusted, kErrorInvalidOwner, true,
                  true,
                  L"the record file TollvekPrintName5249 is owned by an account other than the administrators, the "
                  L"system, TrustedInstaller and the user this program runs as: nothing is removed"},
        ShortCase{"PrinterGone", [](Removal& r) { r.fake.printers.clear(); }, ExitCode::Installed,
                  Outcome::NothingFound, Reason::None, 0, false, false,
                  L"the record file TollvekPrintName5249 is deleted", true},
        ShortCase{"AnotherBaseName", [](Removal& r) { r.fake.files[kRecordFile] = "Front desk"; },
                  ExitCode::RemovalFailed, Outcome::NotRemoved, Reason::NotThisBaseName, 0, true, true,
                  L"an installation with the base name Kiosk1 makes no printer of that name: nothing is removed"},
        ShortCase{"AnotherModel", [](Removal& r) { r.fake.printerDrivers[L"Kiosk1(copy of 2)"] = L"Melor 2"; },
                  ExitCode::RemovalFailed, Outcome::NotRemoved, Reason::OtherDriver, 0, true, true,
                  L"which is not the driver Tavik 10.0.0.11: nothing is removed"},
        ShortCase{"NotOpened", [](Removal& r) { r.fake.openError = 5; }, ExitCode::RemovalFailed, Outcome::NotRemoved,
                  Reason::PrinterNotOpened, 5, true, true,
                  L"the printer Kiosk1(copy of 2) cannot be opened: error 5: nothing is removed"},
        ShortCase{"AnsweredNo", [](Removal& r) { r.answer = false; }, ExitCode::WizardNotFinished, Outcome::Declined,
                  Reason::None, 0, true, true, L"the printer Kiosk1(copy of 2) is not removed: the answer was No"},
        ShortCase{"NotDeleted", [](Removal& r) { r.fake.deletePrinterError = 5; }, ExitCode::RemovalFailed,
                  Outcome::NotRemoved, Reason::PrinterNotDeleted, 5, true, true,
                  L"the printer Kiosk1(copy of 2) could not be deleted: error 5", true},
        ShortCase{"RecordStays", [](Removal& r) { r.fake.deleteError = 5; }, ExitCode::RemovalFailed,
                  Outcome::NotRemoved, Reason::RecordNotDeleted, 5, false, true,
                  L"the record file TollvekPrintName5249 could not be deleted: error 5", true}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Removal, KeepsADriverThatAnotherPrinterUsesOrThatTheSpoolerKeeps) {
    Removal shared;
    shared.fake.printers.insert(L"Front desk");
    EXPECT_EQ(shared.Run().outcome, Outcome::Removed);
    EXPECT_EQ(std::count(shared.fake.calls.begin(), shared.fake.calls.end(), L"DeleteDriver " + kModel), 0);
    EXPECT_EQ(std::count(shared.fake.calls.begin(), shared.fake.calls.end(),
                         L"debug the driver " + kModel + L" stays: 1 printer uses it"),
              1);

    Removal refused;
    refused.fake.deleteDriverError = 3001;
    EXPECT_EQ(refused.Run().code, ExitCode::Installed);
    EXPECT_EQ(std::count(refused.fake.calls.begin(), refused.fake.calls.end(),
                         L"debug the driver " + kModel + L" stays: the spooler did not remove it, error 3001"),
              1);
}

// After the deletion, on the fake's clock: a printer that goes late or not at all, a
// driver the spooler holds a moment or for good, printers that cannot be listed, a
// package the driver store keeps.
struct AfterDeletionCase {
    const char* name;
    void (*setUp)(FakeSystem&);
    ExitCode code;
    const wchar_t* line;  // one the removal writes
    std::size_t driverDeletions;
    std::uint64_t waited;  // milliseconds
};

class AfterDeletionTest : public testing::TestWithParam<AfterDeletionCase> {};

TEST_P(AfterDeletionTest, WaitsNoLongerThanItMayAndSaysWhatStays) {
    Removal removal;
    GetParam().setUp(removal.fake);
    EXPECT_EQ(removal.Run().code, GetParam().code);
    EXPECT_EQ(Count(removal.fake, L"debug " + std::wstring(GetParam().line)), 1u);
    EXPECT_EQ(Count(removal.fake, L"DeleteDriver " + kModel), GetParam().driverDeletions);
    EXPECT_EQ(removal.fake.now, GetParam().waited);
    // The record goes with the printer, and only with it.
    EXPECT_EQ(removal.fake.files.contains(kRecordFile), removal.fake.printers.contains(L"Kiosk1(copy of 2)"));
}

INSTANTIATE_TEST_SUITE_P(
    Spooler, AfterDeletionTest,
    testing::Values(
        AfterDeletionCase{"GoesOnceItsJobsAreGone", [](FakeSystem& f) { f.lookupsUntilGone = 3; }, ExitCode::Installed,
                          L"the printer Kiosk1(copy of 2) is deleted", 1, 750},
        AfterDeletionCase{"StaysPrinting", [](FakeSystem& f) { f.lookupsUntilGone = UINT32_MAX; },
                          ExitCode::RemovalFailed,
                          L"the printer Kiosk1(copy of 2) is still there 5 s after its deletion, printing or waiting "
                          L"for a job: the record file stays",
                          0, 5000},
        AfterDeletionCase{"DriverHeldAMoment",
                          [](FakeSystem& f) {
                              f.deleteDriverErrors = {3001, 3001};
                          },
                          ExitCode::Installed, L"the driver Tavik 10.0.0.11 is removed", 3, 500},
        AfterDeletionCase{"DriverHeldForGood", [](FakeSystem& f) { f.deleteDriverError = 3001; }, ExitCode::Installed,
                          L"the driver Tavik 10.0.0.11 stays: the spooler did not remove it, error 3001", 21, 5000},
        AfterDeletionCase{"PrintersNotListed", [](FakeSystem& f) { f.listError = 1722; }, ExitCode::Installed,
                          L"the driver Tavik 10.0.0.11 stays: the printers that might use it cannot be listed, error "
                          L"1722",
                          0, 0},
        AfterDeletionCase{"NoDriverStore", [](FakeSystem& f) { f.offersPackageRemoval = false; }, ExitCode::Installed,
                          L"the driver package stays: this system offers no removal from its driver store", 1, 0},
        AfterDeletionCase{"InfPathUnread", [](FakeSystem& f) { f.infPathError = 124; }, ExitCode::Installed,
                          L"the driver package stays in the driver store: the driver's INF path could not be read, "
                          L"error 124",
                          1, 0}),
    [](const auto& p) { return std::string(p.param.name); });

// What another run changes while this one asks its question, or waits for its turn:
// what was asked about is then not what would be removed, and nothing is.
struct ChangeCase {
    const char* name;
    bool whileAsked;  // else while waiting for the lock
    void (*change)(FakeSystem&);
    const wchar_t* lastLine;
    bool printerThere = true;  // when the removal began
};

class ChangedMeanwhileTest : public testing::TestWithParam<ChangeCase> {};

TEST_P(ChangedMeanwhileTest, RemovesNothing) {
    Removal removal;
    FakeSystem& fake = removal.fake;
    if (!GetParam().printerThere) fake.printers.clear();
    const auto change = [&] { GetParam().change(fake); };
    if (GetParam().whileAsked) {
        removal.whileAsked = change;
    } else {
        fake.lockState = InstallationLock::State::Busy;
        fake.whileWaiting = change;
    }
    EXPECT_EQ(removal.Run().code, ExitCode::RemovalFailed);
    ASSERT_FALSE(Lines(fake).empty());
    EXPECT_EQ(Lines(fake).back(), GetParam().lastLine);
    EXPECT_EQ(Count(fake, L"DeletePrinter Kiosk1(copy of 2)") + Count(fake, L"RemoveFile " + std::wstring(kRecordFile)),
              0u);
}

const wchar_t kRecordChanged[] =
    L"the record file TollvekPrintName5249 changed while the removal waited: nothing is "
    L"removed";
const wchar_t kPrinterChanged[] = L"the printer Kiosk1(copy of 2) changed while the removal waited: nothing is removed";

INSTANTIATE_TEST_SUITE_P(
    Meanwhile, ChangedMeanwhileTest,
    testing::Values(
        ChangeCase{"RecordRewritten", true, [](FakeSystem& f) { f.files[kRecordFile] = "Kiosk1"; }, kRecordChanged},
        ChangeCase{"RecordRemoved", false, [](FakeSystem& f) { f.files.clear(); }, kRecordChanged},
        ChangeCase{"PrinterGone", true, [](FakeSystem& f) { f.printers.clear(); }, kPrinterChanged},
        ChangeCase{"PrinterOfAnotherModel", false,
                   [](FakeSystem& f) { f.printerDrivers[L"Kiosk1(copy of 2)"] = L"Melor 2"; }, kPrinterChanged},
        ChangeCase{"PrinterCreated", false, [](FakeSystem& f) { f.printers.insert(L"Kiosk1(copy of 2)"); },
                   kPrinterChanged, false}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
