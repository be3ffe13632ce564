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

    RemovalResult Run() {
        return RunRemoval({L"Kiosk1"}, fake.System(), [this](const std::wstring& printer) {
            asked.push_back(printer);
            return answer;
        });
    }
};

using Outcome = RemovalResult::Outcome;
using Reason = RemovalResult::Reason;

TEST(Removal, TakesThePrinterTheDriverAndTheRecordInTurn) {
    Removal removal;
    const RemovalResult result = removal.Run();
    EXPECT_EQ(result, (RemovalResult{ExitCode::Installed, Outcome::Removed, Reason::None, L"Kiosk1(copy of 2)", 0}));
    EXPECT_EQ(removal.asked, std::vector<std::wstring>{L"Kiosk1(copy of 2)"});
    EXPECT_EQ(removal.fake.calls,
              (std::vector<std::wstring>{
                  L"TryTake lock",
                  L"ReadFile " + std::wstring(kRecordFile),
                  L"debug the record file " + std::wstring(kRecordFile) + L" names the printer Kiosk1(copy of 2)",
                  L"OpenForRemoval Kiosk1(copy of 2)",
                  L"debug the printer Kiosk1(copy of 2) uses the driver " + kModel,
                  L"DeletePrinter Kiosk1(copy of 2)",
                  L"ClosePrinter Kiosk1(copy of 2)",
                  L"debug the printer Kiosk1(copy of 2) is deleted",
                  L"DriversInUse",
                  L"DeleteDriver " + kModel,
                  L"debug the driver " + kModel + L" is removed",
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
    std::vector<std::wstring> lines;
    for (const std::wstring& call : removal.fake.calls) {
        if (call.rfind(L"debug ", 0) == 0) lines.push_back(call.substr(6));
    }
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), GetParam().lastLine);
    EXPECT_EQ(removal.fake.calls.back(), L"Release lock");
}

const std::wstring kRecordNames = L"the record file " + std::wstring(kRecordFile);

INSTANTIATE_TEST_SUITE_P(
    Ends, ShortTest,
    testing::Values(
        ShortCase{"NoRecord", [](Removal& r) { r.fake.files.clear(); }, ExitCode::Installed, Outcome::NothingFound,
                  Reason::None, 0, true, false, L"nothing to remove: there is no record file TollvekPrintName5249"},
        ShortCase{"EmptyRecord", [](Removal& r) { r.fake.files[kRecordFile] = ""; }, ExitCode::Installed,
                  Outcome::NothingFound, Reason::None, 0, true, true,
                  L"nothing to remove: the record file TollvekPrintName5249 is empty"},
        ShortCase{"UnreadableRecord", [](Removal& r) { r.fake.readError = 5; }, ExitCode::RemovalFailed,
                  Outcome::NotRemoved, Reason::RecordUnreadable, 5, true, true,
                  L"the record file TollvekPrintName5249 cannot be read: error 5"},
        ShortCase{"PrinterGone", [](Removal& r) { r.fake.printers.clear(); }, ExitCode::Installed,
                  Outcome::NothingFound, Reason::None, 0, false, false,
                  L"the record file TollvekPrintName5249 is deleted"},
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
                  L"the printer Kiosk1(copy of 2) could not be deleted: error 5"},
        ShortCase{"RecordStays", [](Removal& r) { r.fake.deleteError = 5; }, ExitCode::RemovalFailed,
                  Outcome::NotRemoved, Reason::RecordNotDeleted, 5, false, true,
                  L"the record file TollvekPrintName5249 could not be deleted: error 5"}),
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

}  // namespace
