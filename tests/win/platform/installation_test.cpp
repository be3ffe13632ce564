#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "core/install_sequence.h"
#include "core/printer_name_record.h"
#include "core/serial_tables.h"
#include "tests/support/test_constants.h"
#include "tests/support/wine/spooler_probe.h"
#include "tests/support/wine/wine_prefix.h"
#include "tests/win/platform/platform_support.h"
#include "win/platform/os_detection.h"
#include "win/platform/win32_install_system.h"

namespace spooler_probe {
void PrintTo(const PrinterFacts& f, std::ostream* out) {
    *out << "{port " << testing::PrintToString(f.port) << ", driver " << testing::PrintToString(f.driver)
         << ", processor " << testing::PrintToString(f.printProcessor) << "}";
}
}  // namespace spooler_probe

namespace {

using spooler_probe::OpenPrinterFacts;
using spooler_probe::PrinterFacts;

constexpr OsChoice kWindows7 = OsChoice::Windows7;
constexpr OsChoice kWindows8 = OsChoice::Windows8;
constexpr std::int32_t kLpt1 = 0;
constexpr std::int32_t kLpt2 = 1;
constexpr std::int32_t kCom2 = 4;

// Each test runs in a folder of its own as current directory, where the record file lands.
class InstallationTest : public testing::Test {
protected:
    static void SetUpTestSuite() { wine_prefix::RegisterTavikDriver(); }

    static InstallResult Run(const InstallSettings& settings, const std::wstring& baseName) {
        Win32DebugOutput debug;
        const CurrentRecordFolder record;
        Win32InstallSystem system(debug, record.folder.get(), false);
        return RunInstallation({settings, baseName, kTestInfPath, record.recordPath}, system.Get());
    }
    static ExitCode Install(const InstallSettings& settings, const std::wstring& baseName) {
        return Run(settings, baseName).code;
    }

    std::wstring RecordFile() const { return scratch_.File(kRecordFile); }
    std::optional<std::string> RecordBytes() const { return FileBytes(RecordFile()); }

    const ScratchDirectory scratch_;
};

std::optional<PrinterFacts> Facts(const std::wstring& port) {
    return PrinterFacts{port, kDriverModel, kPrintProcessorName};
}

// Two runs with one base name, as two installations on one machine would be.
struct RunCase {
    std::int32_t portIndex;
    bool setAsDefault;
    const wchar_t* printerName;  // expected
    const wchar_t* port;
    const wchar_t* defaultAfter;
};

TEST_F(InstallationTest, ASecondRunWithTheSameBaseNameCreatesTheFirstCopy) {
    const RunCase runs[] = {
        {kCom2, true, L"Lobby", L"COM2:", L"Lobby"},
        {kLpt1, false, L"Lobby(copy of 1)", L"LPT1:", L"Lobby"},
    };
    for (const RunCase& run : runs) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(run.printerName)));
        InstallSettings settings;
        settings.osIndex = kWindows7;
        settings.portIndex = run.portIndex;
        settings.baudIndex = 4;  // 9600
        settings.setAsDefault = run.setAsDefault;

        EXPECT_EQ(Install(settings, L"Lobby"), ExitCode::Installed);
        EXPECT_EQ(OpenPrinterFacts(run.printerName), Facts(run.port));
        const std::wstring name = run.printerName;
        EXPECT_EQ(RecordBytes(), std::string(name.begin(), name.end()));
        EXPECT_EQ(spooler_probe::DefaultPrinter(), run.defaultAfter);
    }

    COMMCONFIG com2{};
    DWORD size = sizeof com2;
    com2.dwSize = size;
    ASSERT_TRUE(::GetDefaultCommConfigW(L"COM2", &com2, &size));
    EXPECT_EQ(com2.dcb.BaudRate, 9600u);
    EXPECT_EQ(com2.dcb.ByteSize, 8);
    EXPECT_EQ(com2.dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));  // the record's default handshake
}

TEST_F(InstallationTest, WithoutARegisteredDriverNothingIsCreatedOrChanged) {
    const std::wstring defaultBefore = spooler_probe::DefaultPrinter();
    ASSERT_TRUE(std::ofstream(kRecordFileName) << "an older record");
    wine_prefix::UnregisterTavikDriver();
    InstallSettings settings;
    settings.osIndex = kWindows7;
    const InstallResult outcome = Run(settings, L"Driverless");
    wine_prefix::RegisterTavikDriver();

    // The spooler's own reason goes with the exit code.
    EXPECT_EQ(outcome, (InstallResult{ExitCode::PrinterNotCreated, ERROR_UNKNOWN_PRINTER_DRIVER, false}));
    EXPECT_EQ(OpenPrinterFacts(L"Driverless"), std::nullopt);
    EXPECT_EQ(RecordBytes(), "an older record");
    EXPECT_EQ(spooler_probe::DefaultPrinter(), defaultBefore);
}

TEST_F(InstallationTest, AFolderWhereTheRecordFileBelongsLeavesThePrinterButSaysSo) {
    ASSERT_TRUE(::CreateDirectoryW(RecordFile().c_str(), nullptr));
    InstallSettings settings;
    settings.osIndex = kWindows7;
    settings.portIndex = kLpt1;
    settings.setAsDefault = false;
    EXPECT_EQ(Install(settings, L"Blocked"), ExitCode::RecordFileIncomplete);
    EXPECT_EQ(OpenPrinterFacts(L"Blocked"), Facts(L"LPT1:"));
}

// A printer is still there for a removal (in any case of its name) until its deletion
// has taken it away.
TEST_F(InstallationTest, ADeletedPrinterIsNoLongerThere) {
    InstallSettings settings;
    settings.osIndex = kWindows7;
    ASSERT_EQ(Install(settings, L"Leaving"), ExitCode::Installed);
    Win32Spooler spooler;
    EXPECT_TRUE(spooler.PrinterRemains(L"LEAVING"));
    EXPECT_FALSE(spooler.PrinterRemains(L"Leaving2"));
    SystemError error = 0;
    std::unique_ptr<OpenedPrinter> printer = spooler.OpenForRemoval(L"Leaving", error);
    ASSERT_NE(printer, nullptr) << error;
    EXPECT_EQ(printer->PurgeJobs(), 0u);  // it has none
    EXPECT_EQ(printer->Delete(), 0u);
    printer.reset();
    EXPECT_FALSE(spooler.PrinterRemains(L"Leaving"));
}

// On 64-bit Windows with Windows 8 chosen, the printer is created by rundll32. Wine's own
// rundll32 runs the printer-setup command, which does nothing there: the installer must
// notice that no printer came of it. The stand-in creates the printer it is told to.
struct RouteCase {
    const char* name;
    bool standIn;
    const wchar_t* baseName;
    std::int32_t portIndex;
    const wchar_t* port;
    ExitCode outcome;
    const char* record;      // null: no record file
    const wchar_t* command;  // what rundll32 got, when it is the stand-in, up to the model
    friend void PrintTo(const RouteCase& c, std::ostream* out) { *out << c.name; }
};

class CommandRouteTest : public InstallationTest, public testing::WithParamInterface<RouteCase> {};

TEST_P(CommandRouteTest, ThePrinterExistsExactlyWhenRundll32CreatedIt) {
    ASSERT_EQ(NativeProcessorArchitecture(), PROCESSOR_ARCHITECTURE_AMD64) << "the route needs a 64-bit machine";
    const RouteCase& c = GetParam();
    const std::wstring log = scratch_.File(L"rundll32.log");
    ::SetEnvironmentVariableW(L"KESTRIN_STANDIN_LOG", log.c_str());
    std::optional<wine_prefix::ReplacedSystemProgram> standIn;
    if (c.standIn) standIn.emplace(L"rundll32.exe", ProgramDirectory() + L"\\kestrin_standin_rundll32.exe");
    const std::wstring defaultBefore = spooler_probe::DefaultPrinter();

    InstallSettings settings;
    settings.osIndex = kWindows8;
    settings.portIndex = c.portIndex;
    EXPECT_EQ(Install(settings, c.baseName), c.outcome);
    ::SetEnvironmentVariableW(L"KESTRIN_STANDIN_LOG", nullptr);

    EXPECT_EQ(OpenPrinterFacts(c.baseName), c.standIn ? Facts(c.port) : std::nullopt);
    EXPECT_EQ(RecordBytes(), c.record ? std::optional<std::string>(c.record) : std::nullopt);
    EXPECT_EQ(spooler_probe::DefaultPrinter(), c.standIn ? std::wstring(c.baseName) : defaultBefore);
    if (c.standIn) {
        // rundll32 got the whole command, wide, with nothing in it taken as a command of
        // its own.
        const std::string received = FileBytes(log).value_or("");
        EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(received.data()), received.size() / sizeof(wchar_t)),
                  std::wstring(c.command) + L" /m \"" + kDriverModel + L"\"");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rundll32, CommandRouteTest,
    testing::Values(
        RouteCase{"WinesOwn", false, L"Route A", kLpt2, L"LPT2:", ExitCode::PrinterNotCreated, nullptr, nullptr},
        RouteCase{"StandIn", true, L"Route A", kLpt2, L"LPT2:", ExitCode::Installed, "Route A",
                  L"rundll32 printui.dll,PrintUIEntry /if /b \"Route A\" /f C:\\drivers\\tavik.INF /r \"LPT2:\""},
        RouteCase{"StandInChineseName", true, L"Caja&\u6536\u94f6|x", kCom2, L"COM2:", ExitCode::RecordFileIncomplete,
                  "Caja&",
                  L"rundll32 printui.dll,PrintUIEntry /if /b \"Caja&\u6536\u94f6|x\" /f C:\\drivers\\tavik.INF "
                  L"/r \"COM2:\""}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
