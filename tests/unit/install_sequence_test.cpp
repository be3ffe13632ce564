#include <gtest/gtest.h>

#include <algorithm>

#include "core/install_sequence.h"
#include "core/ports.h"
#include "tests/support/fake_system.h"
#include "tests/support/test_constants.h"

namespace {

using Calls = std::vector<std::wstring>;

constexpr OsChoice kWindows7 = OsChoice::Windows7;
constexpr OsChoice kWindows8 = OsChoice::Windows8;
constexpr OsChoice kUnrecognised = OsChoice::Unrecognised;

const std::wstring kModelArgument = L" /m \"" + std::wstring(kDriverModel) + L"\"";
const std::wstring kDriverCommand = L" /dd /ia /f C:\\drivers\\model.inf" + kModelArgument;
const std::wstring kWriteRecord = L"WriteFile " + std::wstring(kRecordFile);

std::wstring PrinterCommandFor(const std::wstring& name, const std::wstring& port) {
    return L"rundll32 printui.dll,PrintUIEntry /if /b \"" + name + L"\" /f C:\\drivers\\model.INF /r \"" + port +
           L"\"" + kModelArgument;
}

std::wstring AddPrinterCall(const std::wstring& port, const std::wstring& name = L"Kiosk1") {
    return L"AddPrinter " + name + L" | " + port + L" | " + kDriverModel + L" | " + kPrintProcessorName;
}

const std::wstring kDriverInstalled =
    L"note the driver " + std::wstring(kDriverModel) + L" is installed for this program's environment";

// The calls of every installation up to the architecture check, then `more`, then the
// end: the lock let go, the printer-setup library freed.
Calls UpToTheRoute(const std::wstring& port, const Calls& more) {
    Calls calls = {
        L"EnumPorts",
        L"LoadLibrary printui.dll",
        L"TryTake lock",
        L"OpenPrinter Kiosk1",
        L"debug 打开打印机失败！",
        L"GetProcAddress PrintUIEntryW",
        L"debug " + kDriverCommand,
        L"PrintUIEntryW " + kDriverCommand,
        L"DriverInstalled " + std::wstring(kDriverModel),
        kDriverInstalled,
        L"debug " + PrinterCommandFor(L"Kiosk1", port),
        L"GetNativeSystemInfo",
    };
    calls.insert(calls.end(), more.begin(), more.end());
    calls.insert(calls.end(), {L"Release lock", L"FreeLibrary printui.dll"});
    return calls;
}

std::size_t Count(const Calls& calls, const std::wstring& prefix) {
    return static_cast<std::size_t>(
        std::count_if(calls.begin(), calls.end(), [&](const std::wstring& c) { return c.rfind(prefix, 0) == 0; }));
}

struct Installation {
    FakeSystem fake;
    InstallSettings settings;
    std::wstring baseName = L"Kiosk1";
    std::wstring infPath = L"C:\\drivers\\model";
    InstallResult result;

    ExitCode Install() {
        result = RunInstallation({settings, baseName, infPath}, fake.System());
        return result.code;
    }
};

TEST(Installation, TypicalRunOnA32BitSystem) {
    Installation run;
    run.settings.osIndex = OsChoice::Windows7;
    run.settings.portIndex = 4;  // COM2
    run.settings.baudIndex = 4;  // 9600
    run.fake.ports[L"COM2"] = std::vector<std::byte>(comm_layout::kConfigSize);

    EXPECT_EQ(run.Install(), ExitCode::Installed);
    EXPECT_EQ(run.fake.calls, UpToTheRoute(L"COM2:", {
                                                         L"debug it's 32 bit system!",
                                                         AddPrinterCall(L"COM2:"),
                                                         kWriteRecord,
                                                         L"SetDefaultPrinter Kiosk1",
                                                         L"GetDefaultCommConfig COM2",
                                                         L"SetDefaultCommConfig COM2",
                                                     }));
    EXPECT_EQ(run.fake.files[kRecordFile], "Kiosk1");
    EXPECT_EQ(run.fake.steps,
              (std::vector<RunStep>{RunStep::NameSearch, RunStep::DriverInstallation, RunStep::PrinterCreation,
                                    RunStep::RecordFile, RunStep::DefaultPrinter, RunStep::ComPortConfiguration}));
    EXPECT_EQ(run.fake.progressPrinter, L"Kiosk1");
    const auto& com2 = run.fake.ports[L"COM2"];
    EXPECT_EQ(ReadField<std::uint32_t>(com2, comm_layout::kBaudRate), 9600u);
    EXPECT_EQ(ReadField<std::uint8_t>(com2, comm_layout::kByteSize), 8);
    EXPECT_EQ(ReadField<std::uint8_t>(com2, comm_layout::kParity), 0);
    EXPECT_EQ(ReadField<std::uint8_t>(com2, comm_layout::kStopBits), 0);
    EXPECT_EQ(ReadField<std::uint32_t>(com2, comm_layout::kFlags), 0x202Du);
}

TEST(Installation, TakenNamesGetTheNextFreeCopyName) {
    Installation run;
    run.fake.printers = {L"Kiosk1", L"Kiosk1(copy of 1)"};
    EXPECT_EQ(run.Install(), ExitCode::Installed);
    const Calls expectedStart = {
        L"EnumPorts",
        L"LoadLibrary printui.dll",
        L"TryTake lock",
        L"OpenPrinter Kiosk1",
        L"debug 打开打印机成功！",
        L"OpenPrinter Kiosk1(copy of 1)",
        L"debug 打开打印机成功！",
        L"OpenPrinter Kiosk1(copy of 2)",
        L"debug 打开打印机失败！",
    };
    ASSERT_GE(run.fake.calls.size(), expectedStart.size());
    EXPECT_EQ(Calls(run.fake.calls.begin(), run.fake.calls.begin() + static_cast<std::ptrdiff_t>(expectedStart.size())),
              expectedStart);
    EXPECT_EQ(run.fake.files[kRecordFile], "Kiosk1(copy of 2)");
    EXPECT_EQ(run.fake.defaultPrinter, L"Kiosk1(copy of 2)");
    EXPECT_EQ(Count(run.fake.calls, L"AddPrinter Kiosk1(copy of 2) |"), 1u);
}

TEST(Installation, NameSearchGivesUpWhenEveryCopyNameIsTaken) {
    Installation run;
    run.baseName = L"K";
    run.fake.takenChecks = UINT64_MAX;

    EXPECT_EQ(run.Install(), ExitCode::PrinterNotCreated);
    EXPECT_EQ(Count(run.fake.calls, L"OpenPrinter "), static_cast<std::size_t>(kHighestCopy) + 1);
    EXPECT_EQ(Count(run.fake.calls, L"AddPrinter"), 0u);
    EXPECT_EQ(Count(run.fake.calls, L"PrintUIEntryW"), 0u);
    EXPECT_TRUE(run.fake.files.empty());
    EXPECT_EQ(Calls(run.fake.calls.end() - 3, run.fake.calls.end()),
              (Calls{L"debug no free printer name: K(copy of 1) to K(copy of " + std::to_wstring(kHighestCopy) +
                         L") are all taken",
                     L"Release lock", L"FreeLibrary printui.dll"}));
}

struct RouteCase {
    std::uint16_t architecture;
    OsChoice osIndex;
    bool commandRoute;
};

class RouteTest : public testing::TestWithParam<RouteCase> {};

// Either way the printer command is written to the debugger output; rundll32 tells
// nothing of its success, so the spooler is asked afterwards.
TEST_P(RouteTest, OnlyWindows8On64BitGoesThroughRundll32) {
    Installation run;
    run.fake.architecture = GetParam().architecture;
    run.settings.osIndex = GetParam().osIndex;
    EXPECT_EQ(run.Install(), ExitCode::Installed);
    Calls creation = {L"Run rundll32.exe | " + PrinterCommandFor(L"Kiosk1", L"LPT1:"), L"OpenPrinter Kiosk1"};
    if (!GetParam().commandRoute) {
        creation = {L"debug it's 32 bit system!", AddPrinterCall(L"LPT1:")};
    }
    creation.insert(creation.end(), {kWriteRecord, L"SetDefaultPrinter Kiosk1"});
    EXPECT_EQ(run.fake.calls, UpToTheRoute(L"LPT1:", creation));
    EXPECT_EQ(run.fake.files[kRecordFile], "Kiosk1");
}

INSTANTIATE_TEST_SUITE_P(Matrix, RouteTest,
                         testing::Values(RouteCase{kAmd64, kWindows8, true}, RouteCase{kIa64, kWindows8, true},
                                         RouteCase{kAmd64, kWindows7, false}, RouteCase{kAmd64, kUnrecognised, false},
                                         RouteCase{kIa64, kWindows7, false}, RouteCase{kX86, kWindows8, false},
                                         RouteCase{kX86, kWindows7, false}, RouteCase{kX86, kUnrecognised, false},
                                         RouteCase{kIa64, kUnrecognised, false}, RouteCase{kArm64, kWindows8, true},
                                         RouteCase{kArm64, kWindows7, false}, RouteCase{kArm64, kUnrecognised, false}));

// Whatever went wrong in creating the printer, nothing after it happens: no record file
// (an older one stays as it was), no default printer, no test page, no port settings.
struct EarlyEndCase {
    const char* name;
    std::uint16_t architecture;
    OsChoice osIndex;
    Calls creation;  // the calls from the architecture check on
};

class PrinterNotCreatedTest : public testing::TestWithParam<EarlyEndCase> {};

TEST_P(PrinterNotCreatedTest, EndsRightAfterTheFailedCreation) {
    Installation run;
    run.fake.architecture = GetParam().architecture;
    run.settings.osIndex = GetParam().osIndex;
    run.settings.portIndex = 3;  // COM1
    run.settings.printTestPage = true;
    run.fake.addPrinterErrors = {kErrorUnknownPort};
    run.fake.runnerCreatesPrinter = false;
    run.fake.ports[L"COM1"] = std::vector<std::byte>(comm_layout::kConfigSize);
    run.fake.files[kRecordFile] = "Older";

    EXPECT_EQ(run.Install(), ExitCode::PrinterNotCreated);
    // The spooler's error goes with the exit code; rundll32 gives none.
    EXPECT_EQ(run.result.error, GetParam().architecture == kX86 ? kErrorUnknownPort : 0u);
    Calls ending = GetParam().creation;
    ending.push_back(L"debug 出现错误，退出！");
    EXPECT_EQ(run.fake.calls, UpToTheRoute(L"COM1:", ending));
    EXPECT_EQ(run.fake.files[kRecordFile], "Older");
}

INSTANTIATE_TEST_SUITE_P(
    Routes, PrinterNotCreatedTest,
    testing::Values(
        EarlyEndCase{"AddPrinterFails", kX86, kWindows7, {L"debug it's 32 bit system!", AddPrinterCall(L"COM1:")}},
        EarlyEndCase{"Rundll32CreatedNothing",
                     kAmd64,
                     kWindows8,
                     {L"Run rundll32.exe | " + PrinterCommandFor(L"Kiosk1", L"COM1:"), L"OpenPrinter Kiosk1"}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Installation, WithoutThePrinterSetupLibraryNothingHappens) {
    Installation run;
    run.fake.hasPrinterSetup = false;
    EXPECT_EQ(run.Install(), ExitCode::PrinterSetupMissing);
    EXPECT_EQ(run.fake.calls, (Calls{L"EnumPorts", L"LoadLibrary printui.dll"}));
    EXPECT_EQ(run.result.driverInstalled, std::nullopt);
    EXPECT_EQ(run.result.printerName, L"");
}

TEST(Installation, WithoutTheEntryPointOnlyTheDriverCommandIsWritten) {
    Installation run;
    run.fake.hasEntryPoint = false;
    EXPECT_EQ(run.Install(), ExitCode::PrinterSetupMissing);
    EXPECT_EQ(run.fake.calls, (Calls{
                                  L"EnumPorts",
                                  L"LoadLibrary printui.dll",
                                  L"TryTake lock",
                                  L"OpenPrinter Kiosk1",
                                  L"debug 打开打印机失败！",
                                  L"GetProcAddress PrintUIEntryW",
                                  L"debug " + kDriverCommand,
                                  L"Release lock",
                                  L"FreeLibrary printui.dll",
                              }));
}

struct ChoiceCase {
    bool setAsDefault;
    bool printTestPage;
};

class ChoicesTest : public testing::TestWithParam<ChoiceCase> {};

// Default printer, then test page; the test-page command is not written to the debugger.
TEST_P(ChoicesTest, DefaultPrinterAndTestPageFollowTheRecord) {
    Installation run;
    run.settings.setAsDefault = GetParam().setAsDefault;
    run.settings.printTestPage = GetParam().printTestPage;
    EXPECT_EQ(run.Install(), ExitCode::Installed);
    Calls ending = {L"debug it's 32 bit system!", AddPrinterCall(L"LPT1:"), kWriteRecord};
    if (GetParam().setAsDefault) ending.push_back(L"SetDefaultPrinter Kiosk1");
    if (GetParam().printTestPage) ending.push_back(L"PrintUIEntryW  /k /n \"Kiosk1\"");
    EXPECT_EQ(run.fake.calls, UpToTheRoute(L"LPT1:", ending));
}

INSTANTIATE_TEST_SUITE_P(Choices, ChoicesTest,
                         testing::Values(ChoiceCase{true, false}, ChoiceCase{false, false}, ChoiceCase{true, true},
                                         ChoiceCase{false, true}));

// The test page goes out at the COM port's new settings, also when they could not be
// written (exit code 6 then says so).
TEST(Installation, TheComSettingsComeBeforeTheTestPage) {
    for (const bool writeFails : {false, true}) {
        Installation run;
        run.settings.portIndex = 4;  // COM2
        run.settings.printTestPage = true;
        run.fake.ports[L"COM2"] = std::vector<std::byte>(comm_layout::kConfigSize);
        run.fake.writeFails = writeFails;
        run.fake.commError = 5;
        EXPECT_EQ(run.Install(), writeFails ? ExitCode::SerialPortNotConfigured : ExitCode::Installed);
        EXPECT_EQ(Calls(run.fake.calls.end() - 5, run.fake.calls.end()),
                  (Calls{L"GetDefaultCommConfig COM2", L"SetDefaultCommConfig COM2", L"PrintUIEntryW  /k /n \"Kiosk1\"",
                         L"Release lock", L"FreeLibrary printui.dll"}));
        EXPECT_EQ(run.fake.steps.back(), RunStep::TestPage);
    }
}

struct PortCase {
    std::int32_t portIndex;
    const wchar_t* portName;
    const wchar_t* comName;  // null: no serial step
};

class PortTest : public testing::TestWithParam<PortCase> {};

TEST_P(PortTest, OnlyComPortsAreConfigured) {
    Installation run;
    run.settings.portIndex = GetParam().portIndex;
    run.settings.baudIndex = 8;
    run.settings.byteSizeIndex = 0;
    run.settings.parityIndex = 4;
    run.settings.stopBitsIndex = 2;
    run.settings.flowControlIndex = 1;
    for (const auto* port : {L"COM1", L"COM2", L"COM3", L"COM4"}) {
        run.fake.ports[port] = std::vector<std::byte>(comm_layout::kConfigSize);
    }
    EXPECT_EQ(run.Install(), ExitCode::Installed);
    EXPECT_EQ(Count(run.fake.calls, L"AddPrinter Kiosk1 | " + std::wstring(GetParam().portName) + L" |"), 1u);

    if (GetParam().comName == nullptr) {
        EXPECT_TRUE(run.fake.commReads.empty());
        return;
    }
    ASSERT_EQ(run.fake.commWrites.size(), 1u);
    const auto& config = run.fake.ports[GetParam().comName];
    EXPECT_EQ(ReadField<std::uint32_t>(config, comm_layout::kBaudRate), 115200u);
    EXPECT_EQ(ReadField<std::uint8_t>(config, comm_layout::kByteSize), 5);
    EXPECT_EQ(ReadField<std::uint8_t>(config, comm_layout::kParity), 3);  // mark
    EXPECT_EQ(ReadField<std::uint8_t>(config, comm_layout::kStopBits), 2);
    EXPECT_EQ(ReadField<std::uint32_t>(config, comm_layout::kFlags), 0x1311u);
}

INSTANTIATE_TEST_SUITE_P(Ports, PortTest,
                         testing::Values(PortCase{0, L"LPT1:", nullptr}, PortCase{1, L"LPT2:", nullptr},
                                         PortCase{7, L"USB001", nullptr}, PortCase{3, L"COM1:", L"COM1"},
                                         PortCase{6, L"COM4:", L"COM4"}));

struct OutOfTableCase {
    const char* name;
    std::int32_t portIndex;
    std::int32_t baudIndex;
    std::int32_t parityIndex;
};

class OutOfTableTest : public testing::TestWithParam<OutOfTableCase> {};

TEST_P(OutOfTableTest, NothingIsInstalledFromAnIndexOutsideItsTable) {
    Installation run;
    run.settings.portIndex = GetParam().portIndex;
    run.settings.baudIndex = GetParam().baudIndex;
    run.settings.parityIndex = GetParam().parityIndex;
    EXPECT_EQ(run.Install(), ExitCode::PrinterNotCreated);
    ASSERT_EQ(run.fake.calls.size(), 1u);
    EXPECT_EQ(run.fake.calls[0].rfind(L"debug ", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Indexes, OutOfTableTest,
                         testing::Values(OutOfTableCase{"Port8", 8, 5, 0}, OutOfTableCase{"PortMinus1", -1, 5, 0},
                                         OutOfTableCase{"Com1Baud9", 3, 9, 0},
                                         OutOfTableCase{"Com4ParityMinus1", 6, 5, -1}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Installation, SerialIndexesAreNotReadForOtherPorts) {
    Installation run;
    run.settings.portIndex = 7;
    run.settings.baudIndex = 99;
    EXPECT_EQ(run.Install(), ExitCode::Installed);
}

struct InfCase {
    const wchar_t* infPath;
    const wchar_t* inDriverCommand;
    const wchar_t* inPrinterCommand;
};

class InfPathTest : public testing::TestWithParam<InfCase> {};

TEST_P(InfPathTest, PathsWithSpacesAreQuotedOnce) {
    Installation run;
    run.infPath = GetParam().infPath;
    run.Install();
    const std::wstring driver = std::wstring(L" /dd /ia /f ") + GetParam().inDriverCommand + kModelArgument;
    const std::wstring printer = std::wstring(L"rundll32 printui.dll,PrintUIEntry /if /b \"Kiosk1\" /f ") +
                                 GetParam().inPrinterCommand + L" /r \"LPT1:\"" + kModelArgument;
    EXPECT_EQ(Count(run.fake.calls, L"debug " + driver), 1u);
    EXPECT_EQ(Count(run.fake.calls, L"PrintUIEntryW " + driver), 1u);
    EXPECT_EQ(Count(run.fake.calls, L"debug " + printer), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, InfPathTest,
    testing::Values(InfCase{L"C:\\drivers\\model", L"C:\\drivers\\model.inf", L"C:\\drivers\\model.INF"},
                    InfCase{L"C:\\Program Files\\drv\\model", L"\"C:\\Program Files\\drv\\model.inf\"",
                            L"\"C:\\Program Files\\drv\\model.INF\""},
                    InfCase{L"\"C:\\Program Files\\drv\\model\"", L"\"C:\\Program Files\\drv\\model\".inf",
                            L"\"C:\\Program Files\\drv\\model\".INF"}));

TEST(Installation, CommandRouteHandsANonLatinNameOverUnchanged) {
    Installation run;
    run.fake.architecture = kAmd64;
    run.settings.osIndex = OsChoice::Windows8;
    run.baseName = L"收银台&echo";
    EXPECT_EQ(run.Install(), ExitCode::RecordFileIncomplete);
    EXPECT_EQ(Count(run.fake.calls, L"Run rundll32.exe | " + PrinterCommandFor(L"收银台&echo", L"LPT1:")), 1u);
    EXPECT_EQ(run.fake.defaultPrinter, L"收银台&echo");
}

struct RecordOutcomeCase {
    const char* name;
    const wchar_t* baseName;
    Files::Result fileResult;
    bool comWriteFails;
    ExitCode expected;
};

class OutcomeTest : public testing::TestWithParam<RecordOutcomeCase> {};

TEST_P(OutcomeTest, TheEarliestProblemDecides) {
    Installation run;
    run.baseName = GetParam().baseName;
    run.settings.portIndex = 3;
    run.fake.fileResult = GetParam().fileResult;
    run.fake.ports[L"COM1"] = std::vector<std::byte>(comm_layout::kConfigSize);
    run.fake.writeFails = GetParam().comWriteFails;
    run.fake.commError = 5;
    run.fake.fileError = 32;
    EXPECT_EQ(run.Install(), GetParam().expected);
    // The system's error of the step that decided goes with the code.
    const SystemError expectedError = GetParam().expected == ExitCode::SerialPortNotConfigured ? 5u
                                      : GetParam().fileResult == Files::Result::Written        ? 0u
                                                                                               : 32u;
    EXPECT_EQ(run.result.error, expectedError);
    EXPECT_EQ(run.result.driverInstalled, true);
    // The printer exists whatever came after it: the whole name, also where the record cut it.
    EXPECT_EQ(run.result.printerName, GetParam().baseName);
    // The rest of the installation goes on whatever the record file did.
    EXPECT_EQ(run.fake.defaultPrinter, GetParam().baseName);
    EXPECT_EQ(run.fake.commWrites.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, OutcomeTest,
    testing::Values(
        RecordOutcomeCase{"AllWritten", L"Kiosk1", Files::Result::Written, false, ExitCode::Installed},
        RecordOutcomeCase{"NameCut", L"Caja-收银", Files::Result::Written, false, ExitCode::RecordFileIncomplete},
        RecordOutcomeCase{"FileNotOpened", L"Kiosk1", Files::Result::NotOpened, false, ExitCode::RecordFileIncomplete},
        RecordOutcomeCase{"WriteFailed", L"Kiosk1", Files::Result::WriteFailed, false, ExitCode::RecordFileIncomplete},
        RecordOutcomeCase{"PortNotWritten", L"Kiosk1", Files::Result::Written, true, ExitCode::SerialPortNotConfigured},
        RecordOutcomeCase{"RecordBeforePort", L"Kiosk1", Files::Result::NotOpened, true,
                          ExitCode::RecordFileIncomplete}),
    [](const auto& p) { return std::string(p.param.name); });

// A record another account owns, held open so that it cannot be replaced, is not written
// in place either, and the log says why.
TEST(Outcomes, ARecordOfAnotherOwnerIsNotWrittenInPlace) {
    Installation run;
    run.fake.fileResult = Files::Result::WriteFailed;
    run.fake.fileError = kErrorInvalidOwner;
    EXPECT_EQ(run.Install(), ExitCode::RecordFileIncomplete);
    EXPECT_EQ(Count(run.fake.calls, L"debug the record file " + std::wstring(kRecordFile) + L" " +
                                        std::wstring(kRecordOwnerNotTrusted) +
                                        L", and another program holds it open: it is not written in place"),
              1u);
}

// Nobody is at the screen of a quiet run: every printer-setup command carries the entry
// point's quiet switch, on both routes; the wizard's commands stay as they are.
TEST(Installation, AQuietRunEndsEachPrinterSetupCommandWithTheQuietSwitch) {
    for (const std::uint16_t architecture : {kX86, kAmd64}) {
        FakeSystem fake;
        fake.architecture = architecture;
        InstallRequest request{{}, L"Kiosk1", L"C:\\drivers\\model"};
        request.settings.osIndex = kWindows8;
        request.settings.printTestPage = true;
        request.quiet = true;
        EXPECT_EQ(RunInstallation(request, fake.System()).code, ExitCode::Installed);
        const std::wstring printer = PrinterCommandFor(L"Kiosk1", L"LPT1:") + L" /q";
        EXPECT_EQ(Count(fake.calls, L"debug " + kDriverCommand + L" /q"), 1u);
        EXPECT_EQ(Count(fake.calls, L"PrintUIEntryW " + kDriverCommand + L" /q"), 1u);
        EXPECT_EQ(Count(fake.calls, L"debug " + printer), 1u);
        EXPECT_EQ(Count(fake.calls, L"Run rundll32.exe | " + printer), architecture == kAmd64 ? 1u : 0u);
        EXPECT_EQ(Count(fake.calls, L"PrintUIEntryW  /k /n \"Kiosk1\" /q"), 1u);
        EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), L"debug " + kDriverCommand), 0)
            << "a command without the switch";
    }
}

// Another program made a printer of the chosen name between the search and the
// creation: the search goes on, and the printer command is written for the new name.
TEST(Installation, ANameTakenMeanwhileMakesTheSearchGoOn) {
    Installation run;
    run.fake.addPrinterErrors = {kErrorPrinterAlreadyExists};
    run.fake.printers = {L"Kiosk1(copy of 1)"};
    EXPECT_EQ(run.Install(), ExitCode::Installed);
    const Calls afterFirst = {AddPrinterCall(L"LPT1:"),
                              L"OpenPrinter Kiosk1(copy of 1)",
                              L"debug 打开打印机成功！",
                              L"OpenPrinter Kiosk1(copy of 2)",
                              L"debug 打开打印机失败！",
                              L"debug " + PrinterCommandFor(L"Kiosk1(copy of 2)", L"LPT1:"),
                              L"debug it's 32 bit system!",
                              AddPrinterCall(L"LPT1:", L"Kiosk1(copy of 2)"),
                              kWriteRecord};
    const auto first = std::find(run.fake.calls.begin(), run.fake.calls.end(), AddPrinterCall(L"LPT1:"));
    ASSERT_LE(afterFirst.size(), static_cast<std::size_t>(run.fake.calls.end() - first));
    EXPECT_EQ(Calls(first, first + static_cast<std::ptrdiff_t>(afterFirst.size())), afterFirst);
    EXPECT_EQ(run.fake.files[kRecordFile], "Kiosk1(copy of 2)");
    EXPECT_EQ(run.fake.progressPrinter, L"Kiosk1(copy of 2)");
    EXPECT_EQ(run.result.printerName, L"Kiosk1(copy of 2)");
}

struct LockCase {
    const char* name;
    InstallationLock::State state;
    Calls before;  // between loading the library and the name search
    Calls after;   // before freeing it
    InstallationLock::Distrust distrust = InstallationLock::Distrust::None;
};

class LockTest : public testing::TestWithParam<LockCase> {};

TEST_P(LockTest, OneInstallationAtATimeFromTheNameSearchOn) {
    Installation run;
    run.fake.lockState = GetParam().state;
    run.fake.lockTrouble = {5, GetParam().distrust};
    EXPECT_EQ(run.Install(), ExitCode::Installed);
    Calls expected = {L"EnumPorts", L"LoadLibrary printui.dll"};
    expected.insert(expected.end(), GetParam().before.begin(), GetParam().before.end());
    expected.push_back(L"OpenPrinter Kiosk1");
    EXPECT_EQ(Calls(run.fake.calls.begin(), run.fake.calls.begin() + static_cast<std::ptrdiff_t>(expected.size())),
              expected);
    Calls ending = GetParam().after;
    ending.push_back(L"FreeLibrary printui.dll");
    EXPECT_EQ(Calls(run.fake.calls.end() - static_cast<std::ptrdiff_t>(ending.size()), run.fake.calls.end()), ending);
}

INSTANTIATE_TEST_SUITE_P(
    States, LockTest,
    testing::Values(LockCase{"Free", InstallationLock::State::Taken, {L"TryTake lock"}, {L"Release lock"}},
                    LockCase{"HeldByAnother",
                             InstallationLock::State::Busy,
                             {L"TryTake lock", L"debug waiting for another installation to end", L"WaitAndTake lock"},
                             {L"Release lock"}},
                    LockCase{"Unavailable",
                             InstallationLock::State::Unavailable,
                             {L"TryTake lock",
                              L"note the lock that keeps installations apart can be neither created "
                              L"nor opened: error 5; going on without it"},
                             {kWriteRecord, L"SetDefaultPrinter Kiosk1"}},
                    // An object that another user made is never waited for, and the line says why.
                    LockCase{"NoAccessList",
                             InstallationLock::State::Unavailable,
                             {L"TryTake lock",
                              L"note the lock that keeps installations apart was not made by Kestrin: it has no "
                              L"access list, anyone may hold it; going on without it"},
                             {kWriteRecord, L"SetDefaultPrinter Kiosk1"},
                             InstallationLock::Distrust::NoAccessList},
                    LockCase{"Unreadable",
                             InstallationLock::State::Unavailable,
                             {L"TryTake lock",
                              L"note the lock that keeps installations apart cannot be checked: its owner and "
                              L"access list cannot be read: error 5; going on without it"},
                             {kWriteRecord, L"SetDefaultPrinter Kiosk1"},
                             InstallationLock::Distrust::Unreadable}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Installation, TheLogSaysWhetherTheDriverIsInstalledAfterTheDriverCommand) {
    Installation run;
    run.fake.driverInstalled = false;
    run.Install();
    EXPECT_EQ(Count(run.fake.calls, L"note the driver " + std::wstring(kDriverModel) +
                                        L" is not installed for this program's environment"),
              1u);  // What the reason for a failure starts from.
    EXPECT_EQ(run.result.driverInstalled, false);
}

struct InfPathCase {
    const wchar_t* given;
    const wchar_t* expected;
};

class FullInfPathTest : public testing::TestWithParam<InfPathCase> {};

// The run's current directory is C:\Kestrin; the current drive's root C:\.
std::wstring AgainstKestrin(const std::wstring& path) {
    if (path.starts_with(L"\\")) return L"C:" + path;
    if (path.starts_with(L"D:")) return L"D:\\" + path.substr(2);
    if (path == L"unmakeable") return {};
    return L"C:\\Kestrin\\" + path;
}

TEST_P(FullInfPathTest, NamesTheSameFileFromTheSystemFolder) {
    EXPECT_EQ(FullInfBasePath(GetParam().given, AgainstKestrin), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FullInfPathTest,
    testing::Values(InfPathCase{L"driver\\tavik", L"C:\\Kestrin\\driver\\tavik"},
                    InfPathCase{L"tavik", L"C:\\Kestrin\\tavik"}, InfPathCase{L"..\\tavik", L"C:\\Kestrin\\..\\tavik"},
                    InfPathCase{L"\"my drivers\\tavik\"", L"\"C:\\Kestrin\\my drivers\\tavik\""},
                    // Relative to the current drive's root, or to a drive's own current folder.
                    InfPathCase{L"\\drivers\\tavik", L"C:\\drivers\\tavik"}, InfPathCase{L"D:tavik", L"D:\\tavik"},
                    // Already full: as given, quotes and all.
                    InfPathCase{L"C:\\drivers\\tavik", L"C:\\drivers\\tavik"},
                    InfPathCase{L"c:/drivers/tavik", L"c:/drivers/tavik"},
                    InfPathCase{L"\\\\files\\kiosk\\tavik", L"\\\\files\\kiosk\\tavik"},
                    InfPathCase{L"\"C:\\Program Files\\Tavik\\tavik\"", L"\"C:\\Program Files\\Tavik\\tavik\""},
                    InfPathCase{L"unmakeable", L"unmakeable"}, InfPathCase{L"", L""}));

}  // namespace

// The port, as the machine has it: checked before anything is installed; /port:USB finds
// the USB printer that is the model.
struct MachinePortCase {
    const char* name;
    std::wstring portName;
    std::vector<UsbPrinterPort> usbPrinters;
    SystemError portsError;
    InstallResult expected;
    std::wstring printerPort;  // where the printer went, when it was created
};

class MachinePortTest : public testing::TestWithParam<MachinePortCase> {};

constexpr char kModelsInf[] =
    "[Manufacturer]\r\nTavik=Tavik,NTx86\r\n[Tavik.NTx86]\r\n"
    "\"Tavik 10.0.0.11\" = TAVIK10,USBPRINT\\TavikTavik10,TavikTavik10\r\n";
const UsbPrinterPort kTheModel{L"USB002", {L"USBPRINT\\TAVIKTAVIK10"}};
const UsbPrinterPort kAnother{L"USB001", {L"USBPRINT\\Other"}};
const UsbPrinterPort kAThird{L"USB003", {L"USBPRINT\\Third"}};
const std::wstring kPortsThere = L"COM1:, COM2:, COM3:, COM4:, FILE:, LPT1:, LPT2:, LPT3:, USB001, COM7:, USB002";
using K = PortProblem::Kind;

TEST_P(MachinePortTest, IsTheMachinesOrNothingIsInstalled) {
    const MachinePortCase& c = GetParam();
    Installation run;
    run.settings.portIndex = kNoListedPort;
    run.settings.portName = c.portName;
    run.fake.spoolerPorts.insert(run.fake.spoolerPorts.end(), {L"COM7:", L"USB002"});
    run.fake.portsError = c.portsError;
    run.fake.usbPrinters = c.usbPrinters;
    run.fake.files[run.infPath + L".inf"] = kModelsInf;
    run.fake.ports[L"COM7"] = std::vector<std::byte>(comm_layout::kConfigSize);
    EXPECT_EQ(run.Install(), c.expected.code);
    EXPECT_EQ(std::tie(run.result.code, run.result.error, run.result.port),
              std::tie(c.expected.code, c.expected.error, c.expected.port));
    if (c.printerPort.empty()) {
        EXPECT_EQ(Count(run.fake.calls, L"LoadLibrary"), 0u) << "nothing may be installed";
    } else {
        EXPECT_EQ(Count(run.fake.calls, AddPrinterCall(c.printerPort)), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    MachinePorts, MachinePortTest,
    testing::Values(
        MachinePortCase{"ListedComPort", L"COM7:", {}, 0, {}, L"COM7:"},
        MachinePortCase{
            "MissingComPort",
            L"COM9:",
            {},
            0,
            {ExitCode::PrinterNotCreated, kErrorUnknownPort, std::nullopt, {K::Missing, L"COM9:", kPortsThere}},
            L""},
        MachinePortCase{"UnlistablePortsTakenAsTheyAre", L"LPT9:", {}, 5, {}, L"LPT9:"},
        MachinePortCase{"UsbThatIsTheModel", L"USB", {kAnother, kTheModel}, 0, {}, L"USB002"},
        MachinePortCase{"TheOnlyUsbPrinter", L"USB", {kAnother}, 0, {}, L"USB001"},
        MachinePortCase{"TwoOtherUsbPrinters",
                        L"USB",
                        {kAnother, kAThird},
                        0,
                        {ExitCode::PrinterNotCreated,
                         0,
                         std::nullopt,
                         {K::NoUsbPrinter, L"", L"USB001 (USBPRINT\\Other); USB003 (USBPRINT\\Third)"}},
                        L""},
        MachinePortCase{"NoUsbPrinter",
                        L"USB",
                        {},
                        0,
                        {ExitCode::PrinterNotCreated, 0, std::nullopt, {K::NoUsbPrinter, L"", L"none"}},
                        L""},
        MachinePortCase{"TwoOfTheModel",
                        L"USB",
                        {kTheModel, {L"USB004", {L"TavikTavik10"}}},
                        0,
                        {ExitCode::PrinterNotCreated,
                         0,
                         std::nullopt,
                         {K::SeveralUsbPrinters, L"", L"USB002 (USBPRINT\\TAVIKTAVIK10); USB004 (TavikTavik10)"}},
                        L""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Installation, ConfiguresAComPortPastCom9ByItsOwnName) {
    Installation run;
    run.settings.portIndex = kNoListedPort;
    run.settings.portName = L"COM10:";
    run.fake.spoolerPorts.push_back(L"COM10:");
    run.fake.ports[L"COM10"] = std::vector<std::byte>(comm_layout::kConfigSize);
    EXPECT_EQ(run.Install(), ExitCode::Installed);
    EXPECT_EQ(Count(run.fake.calls, L"SetDefaultCommConfig COM10"), 1u);
    EXPECT_EQ(Count(run.fake.calls, L"SetDefaultCommConfig COM1 "), 0u);
}

// A driver the command left out: the INF says whether it had one for this system.
TEST(Installation, AMissingDriversLikelyReasonComesFromTheInf) {
    struct Row {
        const char* what;
        std::optional<std::string> inf;
        DriverEnvironment environment;
        MissingDriver expected;
    };
    for (const Row& row : {Row{"a section for x86", kModelsInf, DriverEnvironment::X86, MissingDriver::NotTrusted},
                           Row{"none for x64", kModelsInf, DriverEnvironment::Amd64, MissingDriver::NoSection},
                           Row{"no INF file", std::nullopt, DriverEnvironment::X86, MissingDriver::Unknown}}) {
        Installation run;
        run.fake.driverInstalled = false;
        run.fake.addPrinterErrors = {kErrorUnknownPrinterDriver};
        if (row.inf) run.fake.files[run.infPath + L".inf"] = *row.inf;
        run.result = RunInstallation({run.settings, run.baseName, run.infPath, kRecordFile, false, row.environment},
                                     run.fake.System());
        EXPECT_EQ(run.result.code, ExitCode::PrinterNotCreated) << row.what;
        EXPECT_EQ(run.result.missingDriver, row.expected) << row.what;
    }
}

// An INF whose x86 and ARM64 sections are each for Windows 10 1709 and later.
constexpr char kArm64Inf[] =
    "[Manufacturer]\nTavik=Tavik,NTx86.10.0...16299,NTarm64.10.0...16299\n[Tavik.NTx86.10.0...16299]\n"
    "\"Tavik 10.0.0.11\" = TAVIK10\n[Tavik.NTarm64.10.0...16299]\n\"Tavik 10.0.0.11\" = TAVIK10\n";
constexpr WindowsVersion kWindows11{10, 0, 22631, 1};

// On ARM64 the driver command goes through the native rundll32, and a printer command
// that goes through rundll32 (Windows 8) reaches the same one.
TEST(Installation, OnArm64BothCommandsGoThroughTheNativeRundll32) {
    const std::wstring driverCommand = L"rundll32 printui.dll,PrintUIEntry" + kDriverCommand;
    for (const auto& [route, run] : {std::pair{DriverRoute::SystemRundll32, L"Run rundll32.exe | "},
                                     std::pair{DriverRoute::SysnativeRundll32, L"Run Sysnative rundll32.exe | "}}) {
        Installation i;
        i.fake.architecture = kArm64;
        i.settings.osIndex = kWindows8;
        i.fake.files[i.infPath + L".inf"] = kArm64Inf;
        EXPECT_EQ(RunInstallation({i.settings, i.baseName, i.infPath, kRecordFile, false, DriverEnvironment::Arm64,
                                   kWindows11, route},
                                  i.fake.System())
                      .code,
                  ExitCode::Installed);
        Calls expected = UpToTheRoute(L"LPT1:", {run + PrinterCommandFor(L"Kiosk1", L"LPT1:"), L"OpenPrinter Kiosk1",
                                                 kWriteRecord, L"SetDefaultPrinter Kiosk1"});
        expected.insert(expected.begin(), L"ReadFile C:\\drivers\\model.inf");
        std::replace(expected.begin(), expected.end(), L"debug " + kDriverCommand, L"debug " + driverCommand);
        std::replace(expected.begin(), expected.end(), L"PrintUIEntryW " + kDriverCommand, run + driverCommand);
        EXPECT_EQ(i.fake.calls, expected);
    }
}

// On ARM64 an INF without models for it, at the real version of Windows, ends the run
// before anything is installed; one that cannot be read is left to the driver command.
TEST(Installation, OnArm64AnInfWithoutArm64ModelsInstallsNothing) {
    struct Row {
        const char* what;
        std::optional<std::string> inf;
        DriverEnvironment environment;
        WindowsVersion version;
        bool refused;
    };
    for (const Row& row : {Row{"x86 models only", kModelsInf, DriverEnvironment::Arm64, kWindows11, true},
                           Row{"ARM64 models", kArm64Inf, DriverEnvironment::Arm64, kWindows11, false},
                           Row{"for a later build", kArm64Inf, DriverEnvironment::Arm64, {10, 0, 15063, 1}, true},
                           Row{"the reported version", kArm64Inf, DriverEnvironment::Arm64, {6, 2, 0, 1}, true},
                           Row{"no INF file", std::nullopt, DriverEnvironment::Arm64, kWindows11, false},
                           Row{"x64 never asks", kModelsInf, DriverEnvironment::Amd64, kWindows11, false}}) {
        Installation run;
        if (row.inf) run.fake.files[run.infPath + L".inf"] = *row.inf;
        run.result = RunInstallation({run.settings, run.baseName, run.infPath, kRecordFile, false, row.environment,
                                      row.version, DriverRoute::SysnativeRundll32},
                                     run.fake.System());
        EXPECT_EQ(run.result.code, row.refused ? ExitCode::PrinterNotCreated : ExitCode::Installed) << row.what;
        EXPECT_EQ(run.result.missingDriver == MissingDriver::NoArm64Models, row.refused) << row.what;
        EXPECT_EQ(Count(run.fake.calls, L"LoadLibrary"), row.refused ? 0u : 1u) << row.what;
    }
}
