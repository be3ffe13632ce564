// The installation against a system whose every answer comes from the input. Whatever it
// answers, the run ends with a defined code, creates at most one printer, does nothing
// after a step that failed, ends the name search in time, records the printer's name and
// acts on the printer only once it exists; and each printer-setup command splits, as the
// receiving program splits it, into exactly the intended arguments.

#include <set>

#include "core/command_line.h"
#include "core/install_sequence.h"
#include "core/ports.h"
#include "core/serial_tables.h"
#include "core/system_errors.h"
#include "fuzz/argument_split.h"
#include "fuzz/fuzz_input.h"
#include "tests/support/fake_system.h"
#include "tests/support/test_constants.h"

namespace {

using Arguments = std::vector<std::wstring>;

// The path as the caller meant it: without the one pair of quotes that may enclose it.
std::wstring Unquoted(const std::wstring& path) {
    const bool enclosed = path.size() >= 2 && path.front() == L'"' && path.back() == L'"';
    return enclosed ? path.substr(1, path.size() - 2) : path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    FakeSystem fake;
    InstallSettings s;
    const auto flags = input.Take<std::uint8_t>();
    fake.hasPrinterSetup = (flags & 1u) != 0;
    fake.hasEntryPoint = (flags & 2u) != 0;
    s.setAsDefault = (flags & 4u) != 0;
    s.printTestPage = (flags & 8u) != 0;
    const bool addPrinterSucceeds = (flags & 16u) != 0;
    // A name taken meanwhile has its own unit test; here the spooler refuses for good.
    if (!addPrinterSucceeds) fake.addPrinterErrors = {kErrorUnknownPort};
    fake.runnerCreatesPrinter = (flags & 32u) != 0;
    const bool quiet = (flags & 64u) != 0;
    fake.systemAccount = (flags & 128u) != 0;
    fake.fileResult = static_cast<Files::Result>(input.Take<std::uint8_t>() % 3);
    fake.architecture = input.Take<std::uint16_t>();
    // 0xFF stands for a spooler that knows every name: rare, since such a run is slow.
    const auto taken = input.Take<std::uint8_t>();
    fake.takenChecks = taken == 0xFF ? UINT64_MAX : taken;
    s.osIndex = static_cast<OsChoice>(input.Take<std::int32_t>());
    for (std::int32_t* index :
         {&s.portIndex, &s.baudIndex, &s.stopBitsIndex, &s.flowControlIndex, &s.byteSizeIndex, &s.parityIndex}) {
        *index = input.Take<std::int32_t>();
    }
    const std::wstring base = input.TakeText(300);
    const std::wstring inf = input.TakeText(300);
    const std::wstring port = ChosenPort(s.portIndex, L"").value_or(L"");
    TakePortAnswers(input, fake, ComDeviceName(port));

    const ExitCode outcome = RunInstallation({s, base, inf, kRecordFile, quiet}, fake.System()).code;

    const bool comPort = port.starts_with(L"COM");
    const bool inTables =
        !port.empty() &&
        (!comPort || (TableEntry(BaudRateTable, s.baudIndex) && TableEntry(ByteSizeTable, s.byteSizeIndex) &&
                      TableEntry(ParityTable, s.parityIndex) && TableEntry(StopBitsTable, s.stopBitsIndex) &&
                      TableEntry(FlowControlTable, s.flowControlIndex)));
    // Only a base name and a path that the program's command line lets through can be
    // carried by the commands; for others only the remaining properties hold.
    const bool carried = !base.empty() && !inf.empty() && base.find(L' ') == std::wstring::npos &&
                         !CheckArguments(base, inf).has_value();
    // A quiet run's commands end with the entry point's quiet switch.
    const auto withQuiet = [quiet](Arguments arguments) {
        if (quiet) arguments.push_back(L"/q");
        return arguments;
    };
    const Arguments driverCommand = withQuiet({L"/dd", L"/ia", L"/f", Unquoted(inf) + L".inf", L"/m", kDriverModel});

    // A record outside the tables, or a step that failed, leaves nothing to do but explain
    // on the debugger output and free the library.
    bool failed = !inTables;
    bool created = false;  // the printer exists
    std::size_t creations = 0;
    std::set<std::wstring> candidates;  // the names the search asked for
    std::wstring chosen;                // the last of them
    for (const std::wstring& call : fake.calls) {
        const auto is = [&call](std::wstring_view kind) { return call.starts_with(kind); };
        const std::wstring argument = call.substr(call.find(L' ') + 1);
        // Reading the INF again explains a missing driver; it changes nothing.
        if (failed) {
            FUZZ_CHECK(is(L"debug ") || is(L"note ") || is(L"Release ") || is(L"FreeLibrary ") || is(L"ReadFile "));
        }
        if (is(L"LoadLibrary ")) {
            failed = !fake.hasPrinterSetup;
        } else if (is(L"GetProcAddress ")) {
            failed = !fake.hasEntryPoint;
        } else if (is(L"OpenPrinter ") && creations == 0) {
            // The fake finds a printer for the first `takenChecks` names asked for. The
            // search starts at the base name and asks for no name twice.
            chosen = argument;
            FUZZ_CHECK((!candidates.empty() || argument == base) && candidates.insert(argument).second);
            FUZZ_CHECK(candidates.size() <= kHighestCopy + 1u);
            failed = candidates.size() == kHighestCopy + 1u && candidates.size() <= fake.takenChecks;
        } else if (is(L"OpenPrinter ")) {
            // rundll32 tells nothing of its success: only the spooler can show the printer.
            failed = !fake.printers.contains(argument);
            created = !failed;
        } else if (is(L"AddPrinter ")) {
            FUZZ_CHECK(++creations == 1);
            failed = !addPrinterSucceeds;
            created = !failed;
        } else if (is(L"Run ")) {
            FUZZ_CHECK(++creations == 1 && is(L"Run rundll32.exe | "));
            if (carried) {
                FUZZ_CHECK(ReceivedArguments(argument.substr(15)) ==
                           withQuiet({L"rundll32", L"printui.dll,PrintUIEntry", L"/if", L"/b", chosen, L"/f",
                                      Unquoted(inf) + L".INF", L"/r", port, L"/m", kDriverModel}));
            }
        } else if (is(L"PrintUIEntryW ")) {
            const Arguments arguments = ReceivedArguments(argument);
            const bool testPage = !arguments.empty() && arguments[0] == L"/k";
            if (testPage) FUZZ_CHECK(created);
            if (carried) FUZZ_CHECK(arguments == (testPage ? withQuiet({L"/k", L"/n", chosen}) : driverCommand));
        } else if (!is(L"debug ") && !is(L"note ") && !is(L"FreeLibrary ") && !is(L"GetNativeSystemInfo") &&
                   !is(L"TryTake ") && !is(L"Release ") && !is(L"DriverInstalled ") && !is(L"EnumPorts") &&
                   !is(L"ReadFile ")) {
            // The record, the default printer and the port are for a printer that exists.
            FUZZ_CHECK(created);
            if (is(L"SetDefaultPrinter ")) FUZZ_CHECK(argument == chosen && !fake.systemAccount);
            // Run as the system account, each user's logon makes the printer their default.
            if (is(L"RegSetValue ")) {
                FUZZ_CHECK(fake.systemAccount && argument.starts_with(L"SOFTWARE\\Microsoft\\Active Setup\\Installed "
                                                                      L"Components\\Kestrin default printer " +
                                                                      chosen + L" | "));
            }
        }
    }

    // The search ends at the first free name, or once every candidate was taken.
    if (!candidates.empty() && candidates.size() <= fake.takenChecks) {
        FUZZ_CHECK(candidates.size() == kHighestCopy + 1u);
    }
    const bool createdOutcome = outcome == ExitCode::Installed || outcome == ExitCode::RecordFileIncomplete ||
                                outcome == ExitCode::SerialPortNotConfigured;
    FUZZ_CHECK(createdOutcome || outcome == ExitCode::PrinterSetupMissing || outcome == ExitCode::PrinterNotCreated);
    FUZZ_CHECK(createdOutcome == created);
    if (created) FUZZ_CHECK(fake.printers.contains(chosen));

    // The record holds the name's units as bytes, up to the first that does not fit in one.
    std::string recordable;
    for (const wchar_t unit : chosen) {
        if (static_cast<std::uint32_t>(unit) > 0xFF) break;
        recordable.push_back(static_cast<char>(unit));
    }
    const auto record = fake.files.find(kRecordFile);
    if (record != fake.files.end()) FUZZ_CHECK(record->second == recordable);
    // Success means all of it: the whole name recorded, the port's settings written.
    if (outcome == ExitCode::Installed) {
        FUZZ_CHECK(fake.fileResult == Files::Result::Written && record != fake.files.end() &&
                   record->second.size() == chosen.size());
        FUZZ_CHECK(!comPort || (fake.commWrites.size() == 1 && !fake.writeFails));
    }
    return 0;
}
