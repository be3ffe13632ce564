#include "win/kestrin_app.h"

#include <memory>
#include <string>

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
#include "win/pages/page_context.h"
#include "win/platform/detect_os.h"
#include "win/platform/elevation.h"
#include "win/platform/language_library.h"
#include "win/platform/log_file.h"
#include "win/platform/system_paths.h"
#include "win/platform/win32_system.h"

CKestrinApp theApp;

namespace {

constexpr int Code(ExitCode code) {
    return static_cast<int>(code);
}

// What a failed installation tells the person at the wizard, in the wizard's language.
std::wstring FailureMessage(ExitCode code, const LanguageLibrary& language) {
    UINT what = IDS_FAILED_NOT_CREATED;
    switch (code) {
        case ExitCode::PrinterSetupMissing:
            what = IDS_FAILED_SETUP_MISSING;
            break;
        case ExitCode::RecordFileIncomplete:
            what = IDS_FAILED_RECORD_FILE;
            break;
        case ExitCode::SerialPortNotConfigured:
            what = IDS_FAILED_SERIAL_PORT;
            break;
        default:
            break;
    }
    std::wstring exitCode = language.Text(IDS_FAILED_EXIT_CODE);
    if (const auto at = exitCode.find(L"{0}"); at != std::wstring::npos) {
        exitCode.replace(at, 3, std::to_wstring(Code(code)));
    }
    std::wstring message = language.Text(what) + L"\n\n" + exitCode;
    if (!IsElevated()) message += L"\n\n" + language.Text(IDS_RUN_AS_ADMINISTRATOR);
    return message;
}

ExitCode Install(const InstallSettings& settings, const CommandLine& commandLine, RunOutput& output) {
    Win32InstallSystem system(output);
    return RunInstallation(settings, commandLine.basePrinterName, commandLine.infBasePath, system.Get());
}

// The wizard, then the installation when it finished; a failure is shown.
ExitCode RunWizard(const CommandLine& commandLine, RunOutput& output, CWinApp& app) {
    InstallSettings settings;
    const PageContext context{
        &settings, commandLine.basePrinterName,
        LanguageLibrary::Load(kLanguages.at(static_cast<std::size_t>(commandLine.languageIndex)))};
    CKestrinDlg wizard(context);
    app.m_pMainWnd = &wizard;
    const INT_PTR result = wizard.DoModal();
    app.m_pMainWnd = nullptr;
    if (const auto exitCode = ExitCodeWithoutInstallation(result)) return *exitCode;

    const ExitCode outcome = Install(settings, commandLine, output);
    if (IsFailedInstallation(outcome)) {
        AfxMessageBox(FailureMessage(outcome, context.language).c_str(), MB_OK | MB_ICONWARNING);
    }
    return outcome;
}

// The run after the command line: its exit code, or that of the elevated run it started.
int Run(CWinApp& app) {
    const std::wstring line = ::GetCommandLineW();
    const ParsedCommandLine parsed = ParseCommandLine(line);
    const UnattendedOptions& options = parsed.options;
    Win32DebugOutput debugger;
    RunOutput output(debugger);

    // The log is opened before anything else happens: a deployment must learn of a log it
    // cannot have before anything is installed.
    std::unique_ptr<Win32LogFile> log;
    if (!options.logPath.empty()) {
        DWORD error = 0;
        log = Win32LogFile::Open(options.logPath, error);
        if (!log) {
            output.Write(L"cannot open the log file " + options.logPath + L" for appending: error " +
                         std::to_wstring(error));
            return Code(ExitCode::CommandLineNotUnderstood);
        }
        output.SetLog(log.get());
    }
    auto finish = [&](ExitCode code) {
        output.Finish(code);
        return Code(code);
    };

    if (parsed.error) {
        output.Write(OptionErrorMessage(*parsed.error));
        return finish(ExitCode::CommandLineNotUnderstood);
    }
    const CommandLine& commandLine = parsed.commandLine;
    if (commandLine.outcome == CommandLine::Outcome::UnknownLanguage) return finish(ExitCode::CommandLineNotUnderstood);

    output.Write(commandLine.languageCode);
    output.Write(commandLine.basePrinterName);
    output.Write(commandLine.infBasePath);
    // Without a name or a path there is nothing to install, and one that could smuggle
    // options into the printer-setup commands is not installed: no window is shown.
    if (commandLine.refused) output.Write(RefusalMessage(*commandLine.refused));
    if (commandLine.outcome != CommandLine::Outcome::Complete) return finish(ExitCode::CommandLineNotUnderstood);

    if (options.quiet) {
        // Nobody is at the screen: no page, no prompt, no message. What goes wrong the log says.
        const InstallSettings settings = SettingsFromOptions(options, DetectOsIndex(), commandLine.basePrinterName);
        const ExitCode outcome = Install(settings, commandLine, output);
        if (IsFailedInstallation(outcome) && !IsElevated()) {
            output.Note(L"the installer does not run with administrator rights; it must be run as administrator");
        }
        return finish(outcome);
    }

    // A double-click on Vista and later gives an administrator the limited token, with
    // which the printer cannot be installed: the same program asks for the full one.
    const std::optional<OsVersion> version = QueryOsVersion();
    if (version && ShouldRelaunchElevated(version->majorVersion, CurrentTokenKind())) {
        output.Note(L"starting again with administrator rights");
        const RelaunchResult relaunch =
            RelaunchElevated(ThisProgramPath(), std::wstring(ArgumentsAfterProgram(line)), CurrentDirectory());
        switch (relaunch.outcome) {
            case RelaunchResult::Outcome::Ended:
                return static_cast<int>(relaunch.exitCode);
            case RelaunchResult::Outcome::Declined:
                return finish(ExitCode::WizardNotFinished);
            case RelaunchResult::Outcome::NotStarted:
                output.Note(L"could not start again with administrator rights: error " +
                            std::to_wstring(relaunch.error));
                break;
        }
    }
    return finish(RunWizard(commandLine, output, app));
}

}  // namespace

BOOL CKestrinApp::InitInstance() {
    CWinApp::InitInstance();
    RestrictLibrarySearch();
    SetExitCode(Run(*this));
    return FALSE;
}
