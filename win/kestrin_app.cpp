#include "win/kestrin_app.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/elevation.h"
#include "core/install_sequence.h"
#include "core/install_settings.h"
#include "core/languages.h"
#include "core/navigation.h"
#include "core/options.h"
#include "core/run_log.h"
#include "res/resource_ids.h"
#include "win/framework/message_box.h"
#include "win/pages/kestrin_dlg.h"
#include "win/pages/wizard_page.h"
#include "win/platform/child_process.h"
#include "win/platform/elevation.h"
#include "win/platform/language_library.h"
#include "win/platform/os_detection.h"
#include "win/platform/plain_files.h"
#include "win/platform/system_paths.h"
#include "win/platform/win32_install_system.h"
#include "win/platform/win32_log_file.h"

CKestrinApp theApp;

namespace {

// What a run starts from: its command line and the system it runs on, each read once.
struct RunStart {
    std::wstring line;
    ParsedCommandLine parsed;
    std::optional<OsVersion> version;
    OsChoice detectedOs = OsChoice::Unrecognised;  // what the first page preselects
    TokenKind token = TokenKind::Ordinary;         // split tokens exist only from Vista on
    bool elevated = false;                         // the administrators' rights, on every system
    bool wow64 = false;                            // this 32-bit program on 64-bit Windows
};

RunStart ReadStart() {
    RunStart start;
    start.line = ::GetCommandLineW();
    start.parsed = ParseCommandLine(start.line);
    start.version = QueryOsVersion();
    start.detectedOs = OsIndexForVersion(start.version, NativeProcessorArchitecture());
    start.token = CurrentTokenKind();
    start.elevated = IsElevated();
    start.wow64 = RunsUnderWow64();
    return start;
}

// A run under way: what it started from and where its lines go.
struct RunState {
    RunState(CWinApp& application, RunStart started) : app(application), start(std::move(started)) {}

    CWinApp& app;
    const RunStart start;
    Win32DebugOutput debugger;
    RunOutput output{debugger};
    std::unique_ptr<Win32LogFile> log;
    std::vector<std::wstring> notesForTheLog;  // what happened before the log was open

    const UnattendedOptions& options() const { return start.parsed.options; }
    const CommandLine& commandLine() const { return start.parsed.commandLine; }
};

// One step of a run: it ends the run with an exit code, or lets the next step go on.
using Step = std::optional<ExitCode> (*)(RunState&);

// Whether the run does anything but end silently, as a line with an unknown language
// code and nothing else wrong does.
bool Understood(const RunState& run) {
    return run.start.parsed.error || run.commandLine().outcome != CommandLine::Outcome::UnknownLanguage;
}

// The 32-bit program cannot install a driver for 64-bit Windows: on 64-bit Windows it
// hands the run over to the 64-bit program of the same package, when that is there.
std::optional<ExitCode> HandOverTo64BitProgram(RunState& run) {
    if (!run.start.wow64 || !Understood(run)) return std::nullopt;
    const std::wstring program = ThisProgramFolder() + L"x64\\kestrin.exe";
    if (!IsFile(program)) return std::nullopt;
    run.debugger.Write(L"starting " + program);
    DWORD error = 0;
    const std::wstring commandLine = L"\"" + program + L"\" " + std::wstring(ArgumentsAfterProgram(run.start.line));
    const auto child = ChildProcess::Start(program, commandLine, nullptr, error);
    if (!child) {
        run.debugger.Write(L"could not start " + program + L": error " + std::to_wstring(error));
        return std::nullopt;
    }
    const std::optional<DWORD> exitCode = child->Wait(INFINITE);
    if (!exitCode) run.debugger.Write(L"the exit code of " + program + L" could not be read");
    return static_cast<ExitCode>(exitCode.value_or(static_cast<DWORD>(ExitCode::WizardNotFinished)));
}

// A double-click on Vista and later gives an administrator the limited token, with which
// the printer cannot be installed: the same program asks for the full one, and the run
// ends with the elevated run's exit code. That run opens the log; this one opens none.
std::optional<ExitCode> RelaunchWithAdministratorRights(RunState& run) {
    const CommandLine& commandLine = run.commandLine();
    if (run.options().quiet || run.start.parsed.error || commandLine.outcome != CommandLine::Outcome::Complete ||
        !run.start.version || !ShouldRelaunchElevated(run.start.version->majorVersion, run.start.token)) {
        return std::nullopt;
    }
    run.debugger.Write(L"starting again with administrator rights");
    // Drive letters this session mapped do not exist in the elevated one.
    const std::wstring arguments =
        ArgumentsForElevatedRun(ArgumentsAfterProgram(run.start.line), run.start.parsed, MappedNetworkShare);
    const AfterRelaunch after = DecideAfterRelaunch(
        RelaunchElevated(ThisProgramPath(), arguments, UncPath(CurrentDirectory(), MappedNetworkShare)));
    if (!after.line.empty()) {
        run.debugger.Write(after.line);
        run.notesForTheLog.push_back(after.line);
    }
    if (after.exitCode) return static_cast<ExitCode>(*after.exitCode);
    return std::nullopt;
}

// A deployment must learn of a log it cannot have before anything is installed. A log
// reached through a link is not opened: an administrator's run must not write where
// another user pointed it.
std::optional<ExitCode> OpenLog(RunState& run) {
    const std::wstring& path = run.options().logPath;
    if (path.empty()) return std::nullopt;
    const std::wstring fullPath = FullPath(path);
    if (const std::optional<std::wstring> link = LinkedFolder(fullPath)) {
        run.output.Write(L"cannot open the log file " + path + L": the folder " + *link +
                         L" is a link (a junction, a mount point or a symbolic link)");
        return ExitCode::CommandLineNotUnderstood;
    }
    DWORD error = 0;
    run.log = Win32LogFile::Open(fullPath, error);
    if (!run.log) {
        run.output.Write(L"cannot open the log file " + path + L" for appending: error " + std::to_wstring(error));
        return ExitCode::CommandLineNotUnderstood;
    }
    run.output.SetLog(run.log.get());
    for (const std::wstring& note : run.notesForTheLog) run.output.Note(note);
    return std::nullopt;
}

// Options that cannot be used, an unknown language, and arguments that are missing or
// could smuggle options into the printer-setup commands end the run: no window is shown.
std::optional<ExitCode> RefuseWhatCannotRun(RunState& run) {
    if (const auto& error = run.start.parsed.error) {
        run.output.Write(OptionErrorMessage(*error));
        return ExitCode::CommandLineNotUnderstood;
    }
    const CommandLine& commandLine = run.commandLine();
    if (commandLine.outcome == CommandLine::Outcome::UnknownLanguage) return ExitCode::CommandLineNotUnderstood;
    run.output.Write(commandLine.languageCode);
    run.output.Write(commandLine.basePrinterName);
    run.output.Write(commandLine.infBasePath);
    if (commandLine.refused) run.output.Write(RefusalMessage(*commandLine.refused));
    if (commandLine.outcome != CommandLine::Outcome::Complete) return ExitCode::CommandLineNotUnderstood;
    return std::nullopt;
}

// The installation, whichever run asked for it. Whether its failure must be blamed on
// missing administrator rights is decided here, for the log and the message alike.
ExitCode Install(RunState& run, const InstallSettings& settings) {
    Win32InstallSystem system(run.output);
    const CommandLine& commandLine = run.commandLine();
    const ExitCode outcome =
        RunInstallation(settings, commandLine.basePrinterName, commandLine.infBasePath, system.Get());
    if (NeedsAdministratorHint(outcome, run.start.elevated)) {
        run.output.Note(L"the installer does not run with administrator rights; it must be run as administrator");
    }
    return outcome;
}

// Nobody is at the screen: no page, no prompt, no message. What goes wrong the log says.
std::optional<ExitCode> InstallQuietly(RunState& run) {
    if (!run.options().quiet) return std::nullopt;
    return Install(run, SettingsFromOptions(run.options(), run.start.detectedOs, run.commandLine().basePrinterName));
}

// What a failed installation tells the person at the wizard, in the wizard's language.
std::wstring FailureMessage(ExitCode code, const LanguageLibrary& language, bool administratorHint) {
    UINT what = IDS_FAILED_NOT_CREATED;
    if (code == ExitCode::PrinterSetupMissing) what = IDS_FAILED_SETUP_MISSING;
    if (code == ExitCode::RecordFileIncomplete) what = IDS_FAILED_RECORD_FILE;
    if (code == ExitCode::SerialPortNotConfigured) what = IDS_FAILED_SERIAL_PORT;
    std::wstring exitCode = language.Text(IDS_FAILED_EXIT_CODE);
    if (const auto at = exitCode.find(L"{0}"); at != std::wstring::npos) {
        exitCode.replace(at, 3, std::to_wstring(static_cast<int>(code)));
    }
    std::wstring message = language.Text(what) + L"\n\n" + exitCode;
    if (administratorHint) message += L"\n\n" + language.Text(IDS_RUN_AS_ADMINISTRATOR);
    return message;
}

// The wizard, then the installation when it finished; a failure is shown.
std::optional<ExitCode> RunWizard(RunState& run) {
    InstallSettings settings;
    const CommandLine& commandLine = run.commandLine();
    const PageContext context{&settings, commandLine.basePrinterName,
                              LanguageLibrary::Load(kLanguages.at(static_cast<std::size_t>(commandLine.languageIndex))),
                              run.start.detectedOs};
    InitCommonControls();
    CKestrinDlg wizard(context);
    run.app.m_pMainWnd = &wizard;
    const INT_PTR result = wizard.DoModal();
    run.app.m_pMainWnd = nullptr;
    if (const auto exitCode = ExitCodeWithoutInstallation(result)) return *exitCode;

    const ExitCode outcome = Install(run, settings);
    if (IsFailedInstallation(outcome)) {
        const bool hint = NeedsAdministratorHint(outcome, run.start.elevated);
        AfxMessageBox(FailureMessage(outcome, context.language, hint).c_str(),
                      MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
    }
    return outcome;
}

// The steps of a run, in order; the first that ends the run gives its exit code.
constexpr Step kSteps[] = {
    HandOverTo64BitProgram, RelaunchWithAdministratorRights, OpenLog, RefuseWhatCannotRun, InstallQuietly, RunWizard,
};

int Run(CWinApp& app) {
    RunState run(app, ReadStart());
    for (const Step step : kSteps) {
        if (const std::optional<ExitCode> code = step(run)) {
            run.output.Finish(*code);  // the log's last line, when there is a log
            return static_cast<int>(*code);
        }
    }
    return static_cast<int>(ExitCode::WizardNotFinished);  // not reached: the wizard always ends the run
}

}  // namespace

BOOL CKestrinApp::InitInstance() {
    CWinApp::InitInstance();
    RestrictLibrarySearch();
    SetExitCode(Run(*this));
    return FALSE;
}
