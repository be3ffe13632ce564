#include "win/kestrin_app.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>

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
#include "win/platform/elevation.h"
#include "win/platform/language_library.h"
#include "win/platform/os_detection.h"
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
};

RunStart ReadStart() {
    RunStart start;
    start.line = ::GetCommandLineW();
    start.parsed = ParseCommandLine(start.line);
    start.version = QueryOsVersion();
    start.detectedOs = OsIndexForVersion(start.version, NativeProcessorArchitecture());
    start.token = CurrentTokenKind();
    start.elevated = IsElevated();
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

    const UnattendedOptions& options() const { return start.parsed.options; }
    const CommandLine& commandLine() const { return start.parsed.commandLine; }
};

// One step of a run: it ends the run with an exit code, or lets the next step go on.
using Step = std::optional<ExitCode> (*)(RunState&);

// A deployment must learn of a log it cannot have before anything is installed.
std::optional<ExitCode> OpenLog(RunState& run) {
    const std::wstring& path = run.options().logPath;
    if (path.empty()) return std::nullopt;
    DWORD error = 0;
    run.log = Win32LogFile::Open(path, error);
    if (!run.log) {
        run.output.Write(L"cannot open the log file " + path + L" for appending: error " + std::to_wstring(error));
        return ExitCode::CommandLineNotUnderstood;
    }
    run.output.SetLog(run.log.get());
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

// A double-click on Vista and later gives an administrator the limited token, with which
// the printer cannot be installed: the same program asks for the full one, and the run
// ends with the elevated run's exit code, which writes its own log.
std::optional<ExitCode> RelaunchWithAdministratorRights(RunState& run) {
    if (!run.start.version || !ShouldRelaunchElevated(run.start.version->majorVersion, run.start.token)) {
        return std::nullopt;
    }
    run.output.Note(L"starting again with administrator rights");
    const RelaunchResult relaunch =
        RelaunchElevated(ThisProgramPath(), std::wstring(ArgumentsAfterProgram(run.start.line)), CurrentDirectory());
    switch (relaunch.outcome) {
        case RelaunchResult::Outcome::Ended:
            return static_cast<ExitCode>(relaunch.exitCode);
        case RelaunchResult::Outcome::Declined:
            return ExitCode::WizardNotFinished;
        case RelaunchResult::Outcome::NotStarted:
            run.output.Note(L"could not start again with administrator rights: error " +
                            std::to_wstring(relaunch.error));
            return std::nullopt;
    }
    return std::nullopt;
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
    CKestrinDlg wizard(context);
    run.app.m_pMainWnd = &wizard;
    const INT_PTR result = wizard.DoModal();
    run.app.m_pMainWnd = nullptr;
    if (const auto exitCode = ExitCodeWithoutInstallation(result)) return *exitCode;

    const ExitCode outcome = Install(run, settings);
    if (IsFailedInstallation(outcome)) {
        const bool hint = NeedsAdministratorHint(outcome, run.start.elevated);
        AfxMessageBox(FailureMessage(outcome, context.language, hint).c_str(), MB_OK | MB_ICONWARNING);
    }
    return outcome;
}

// The steps of a run, in order; the first that ends the run gives its exit code.
constexpr Step kSteps[] = {
    OpenLog, RefuseWhatCannotRun, InstallQuietly, RelaunchWithAdministratorRights, RunWizard,
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
