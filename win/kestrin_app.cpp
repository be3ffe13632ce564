#include "win/kestrin_app.h"

#include <functional>
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
#include "core/removal.h"
#include "core/run_log.h"
#include "res/resource_ids.h"
#include "win/framework/message_box.h"
#include "win/pages/kestrin_dlg.h"
#include "win/pages/progress_dlg.h"
#include "win/pages/wizard_page.h"
#include "win/platform/child_process.h"
#include "win/platform/elevation.h"
#include "win/platform/held_folder.h"
#include "win/platform/language_library.h"
#include "win/platform/late_dependencies.h"
#include "win/platform/os_detection.h"
#include "win/platform/plain_files.h"
#include "win/platform/printer_name_handback.h"
#include "win/platform/system_paths.h"
#include "win/platform/time_limit.h"
#include "win/platform/win32_install_system.h"
#include "win/platform/win32_log_file.h"
#include "win/platform/window_station.h"
#include "win/run_messages.h"

CKestrinApp theApp;

namespace {

// A path with its environment references (%NAME%) expanded, as a deployment system that
// starts the program without a command interpreter leaves them.
std::wstring Expanded(std::wstring_view path) {
    const std::wstring text(path);
    const DWORD needed = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0) return text;
    std::wstring expanded(needed, L'\0');
    const DWORD length = ::ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed);
    if (length == 0 || length > needed) return text;
    expanded.resize(length - 1);
    return expanded;
}

// What a run starts from: its command line and the system it runs on, each read once.
struct RunStart {
    DWORD startTick = ::GetTickCount();  // the time limit counts from here
    std::wstring line;
    ParsedCommandLine parsed;
    std::wstring logPath;         // expanded; empty: no log
    std::wstring logFullPath;     // made full against the current directory at start
    std::wstring recordPath;      // expanded: where the record file is, or is looked for
    std::wstring recordFullPath;  // made full likewise; empty when it has none
    std::wstring infBasePath;     // full, against the current directory at start
    bool complete = false;        // the line names all the run needs
    std::optional<OsVersion> version;
    OsChoice detectedOs = OsChoice::Unrecognised;  // what the first page preselects
    TokenKind token = TokenKind::Ordinary;         // split tokens exist only from Vista on
    bool elevated = false;                         // the administrators' rights, on every system
    MachinePlan machine;                           // what this program does on this machine
};

// Whether the line names all the run needs: a removal needs no INF path.
bool Complete(const ParsedCommandLine& parsed) {
    const CommandLine& line = parsed.commandLine;
    const bool removalWithoutPath = parsed.options.remove && line.outcome == CommandLine::Outcome::MissingArgument &&
                                    !line.basePrinterName.empty() && line.infBasePath.empty();
    return line.outcome == CommandLine::Outcome::Complete || removalWithoutPath;
}

RunStart ReadStart() {
    RunStart start;
    start.line = ::GetCommandLineW();
    start.parsed = ParseCommandLine(start.line);
    const UnattendedOptions& options = start.parsed.options;
    if (!options.logPath.empty()) {
        start.logPath = Expanded(options.logPath);
        start.logFullPath = FullPath(start.logPath);
    }
    start.recordPath = options.recordPath.empty() ? kPrinterNameRecordFile : Expanded(options.recordPath);
    start.recordFullPath = FullPath(start.recordPath);
    start.infBasePath = FullInfBasePath(start.parsed.commandLine.infBasePath, FullPath);
    start.complete = Complete(start.parsed);
    start.version = QueryOsVersion();
    start.detectedOs = OsIndexForVersion(start.version, NativeProcessorArchitecture());
    start.token = CurrentTokenKind();
    start.elevated = IsElevated();
    start.machine = PlanForMachine(ThisMachine());
    return start;
}

// A run under way: what it started from and where its lines go.
struct RunState {
    RunState(CWinApp& application, RunStart started) : app(application), start(std::move(started)) {}

    CWinApp& app;
    const RunStart start;
    Win32DebugOutput debugger;
    RunOutput output{debugger};
    std::unique_ptr<HeldFolder> logFolder;  // held once the log is opened
    std::unique_ptr<Win32LogFile> log;
    std::unique_ptr<HeldFolder> recordFolder;  // held by the run that installs or removes
    std::vector<std::wstring> notesForTheLog;  // what happened before the log was open

    const UnattendedOptions& options() const { return start.parsed.options; }
    const CommandLine& commandLine() const { return start.parsed.commandLine; }
    LanguageLibrary Language() const {
        return LanguageLibrary::Load(kLanguages.at(static_cast<std::size_t>(commandLine().languageIndex)));
    }
};

// One step of a run: it ends the run with an exit code, or lets the next step go on.
using Step = std::optional<ExitCode> (*)(RunState&);

// Whether the run does anything but end silently, as a line with an unknown language
// code and nothing else wrong does.
bool Understood(const RunState& run) {
    return run.start.parsed.error || run.commandLine().outcome != CommandLine::Outcome::UnknownLanguage;
}

// The character that keeps the arguments out of the run, if any; a removal's base name
// is checked like an installation's, with or without a path.
std::optional<RefusedArgument> Refusal(const RunState& run) {
    const CommandLine& line = run.commandLine();
    return run.start.complete ? CheckArguments(line.basePrinterName, line.infBasePath) : line.refused;
}

// A path that the program expands itself must not bring a `"` of its own: handed on to
// a run with administrator rights, it would add options that nobody typed.
std::optional<ExitCode> RefuseQuotesOnceExpanded(RunState& run) {
    const std::optional<std::wstring> option = OptionWithQuoteOnceExpanded(run.start.parsed, Expanded);
    if (!option) return std::nullopt;
    run.output.Write(L"the path of " + *option + L" holds \" once its %NAME% references are expanded: refused");
    return ExitCode::CommandLineNotUnderstood;
}

// The 64-bit program, opened so that nobody can change, replace or delete it until the
// handle is closed, when no standard user can have put it there: a run with the
// administrators' rights must not start a file someone else chose. Nothing, and why
// not, otherwise.
UniqueFileHandle OpenTrustedProgram(const std::wstring& program, std::wstring& why) {
    const std::wstring error = L": error ";
    if (const std::optional<std::wstring> untrusted = UntrustedFolder(program)) {
        why = *untrusted;
        return UniqueFileHandle();
    }
    DWORD openError = 0;
    UniqueFileHandle file = OpenPlainFile(program, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, openError);
    if (!file) {
        why = L"it cannot be opened as a plain file" + error + std::to_wstring(openError);
        return file;
    }
    DWORD ownerError = 0;
    const std::wstring owner = FileOwner(file.get(), ownerError);
    if (owner.empty()) {
        why = L"its owner cannot be read" + error + std::to_wstring(ownerError);
        return UniqueFileHandle();
    }
    const std::wstring thisProgram = ThisProgramPath();
    const UniqueFileHandle self(::CreateFileW(thisProgram.c_str(), READ_CONTROL,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD selfError = 0;
    const std::wstring ownerOfThisProgram = self ? FileOwner(self.get(), selfError) : std::wstring();
    if (!TrustedOwner(owner, ownerOfThisProgram)) {
        why = L"its owner is neither the administrators, the system nor the owner of this program";
        return UniqueFileHandle();
    }
    return file;
}

// The 32-bit program cannot install a driver for 64-bit Windows: on 64-bit Windows it
// hands the run over to the 64-bit program of the same package, when that is there (on
// ARM64, when the machine runs x64 programs).
std::optional<ExitCode> HandOverTo64BitProgram(RunState& run) {
    if (!run.start.machine.handOver || !Understood(run)) return std::nullopt;
    const std::wstring program = ThisProgramFolder() + L"x64\\kestrin.exe";
    if (!IsFile(program)) return std::nullopt;
    std::wstring why;
    UniqueFileHandle held = OpenTrustedProgram(program, why);
    if (!held) {
        run.debugger.Write(L"x64\\kestrin.exe is not started: " + why);
        return ExitCode::CommandLineNotUnderstood;
    }
    run.debugger.Write(L"starting " + program);
    DWORD error = 0;
    const std::wstring commandLine = L"\"" + program + L"\" " + std::wstring(ArgumentsAfterProgram(run.start.line));
    const auto child = ChildProcess::Start(program, commandLine, nullptr, error);
    held.reset();  // the system holds the running image now
    if (!child) {
        run.debugger.Write(L"could not start " + program + L": error " + std::to_wstring(error));
        return std::nullopt;
    }
    const std::optional<DWORD> exitCode = child->Wait(INFINITE);
    if (!exitCode) run.debugger.Write(L"the exit code of " + program + L" could not be read");
    return static_cast<ExitCode>(exitCode.value_or(static_cast<DWORD>(ExitCode::WizardNotFinished)));
}

// A double-click on Vista and later gives an administrator the limited token, with which
// the printer cannot be removed: the same program asks for the full one, and the run
// ends with the elevated run's exit code. That run opens the log; this one opens none.
// An installation asks only once its pages are done.
std::optional<ExitCode> RelaunchWithAdministratorRights(RunState& run) {
    if (run.start.parsed.error || !run.start.complete || Refusal(run) || !run.start.version) return std::nullopt;
    const UnattendedOptions& options = run.options();
    if (ElevationFor(options.Unattended(), options.remove, run.start.version->majorVersion, run.start.token,
                     run.start.elevated) != Elevation::AtStart) {
        return std::nullopt;
    }
    run.debugger.Write(L"starting again with administrator rights");
    // Drive letters this session mapped do not exist in the elevated one.
    const std::wstring arguments =
        ArgumentsForElevatedRun(ArgumentsAfterProgram(run.start.line), run.start.parsed, MappedNetworkShare, Expanded);
    const AfterRelaunch after = DecideAfterRelaunch(
        RelaunchElevated(ThisProgramPath(), arguments, UncPath(CurrentDirectory(), MappedNetworkShare)));
    if (!after.line.empty()) {
        run.debugger.Write(after.line);
        run.notesForTheLog.push_back(after.line);
    }
    if (after.exitCode) return static_cast<ExitCode>(*after.exitCode);
    return std::nullopt;
}

// Whether this run asks for administrator rights at the button that finishes the wizard.
bool ElevatesAtFinish(const RunState& run) {
    const UnattendedOptions& options = run.options();
    return run.start.version && ElevationFor(options.Unattended(), options.remove, run.start.version->majorVersion,
                                             run.start.token, run.start.elevated) == Elevation::AtFinish;
}

// The folder of the file at the full path `fullPath` ("C:\" for one at a drive's root).
std::wstring FolderOf(const std::wstring& fullPath) {
    std::wstring folder = fullPath.substr(0, fullPath.find_last_of(L'\\'));
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    return folder;
}

std::wstring NameOf(const std::wstring& fullPath) {
    return fullPath.substr(fullPath.find_last_of(L'\\') + 1);
}

// A deployment must learn of a log it cannot have before anything is installed. The
// log's folder is held from here to the run's end, and the log opened in it.
std::optional<ExitCode> OpenLog(RunState& run) {
    const std::wstring& path = run.start.logPath;
    if (path.empty()) return std::nullopt;
    const std::wstring& fullPath = run.start.logFullPath;
    std::wstring why = fullPath.empty() ? L"it has no full path" : UntrustedFolder(fullPath).value_or(L"");
    DWORD error = 0;
    if (why.empty()) run.logFolder = HeldFolder::Open(FolderOf(fullPath), error, why);
    if (!run.logFolder && error != ERROR_PATH_NOT_FOUND) {
        run.output.Write(L"cannot open the log file " + path + L": " + why);
        return ExitCode::CommandLineNotUnderstood;
    }
    if (run.logFolder) run.log = Win32LogFile::Open(*run.logFolder, NameOf(fullPath), error);
    if (!run.log) {
        run.output.Write(L"cannot open the log file " + path + L" for appending: error " + std::to_wstring(error));
        return ExitCode::CommandLineNotUnderstood;
    }
    run.output.SetLog(run.log.get());
    for (const std::wstring& note : run.notesForTheLog) run.output.Note(note);
    return std::nullopt;
}

// The log is the installing run's: a run that leaves the installation to a run with
// administrator rights opens none (its lines go to the debugger only), unless it ends up
// installing itself.
std::optional<ExitCode> OpenLogUnlessInstallingWithRights(RunState& run) {
    if (ElevatesAtFinish(run)) return std::nullopt;
    return OpenLog(run);
}

// A record file reached through a link is neither written nor read; an installation
// needs its folder to be there before anything is installed.
std::optional<ExitCode> RefuseTheRecordPath(RunState& run) {
    const std::wstring& fullPath = run.start.recordFullPath;
    const std::optional<std::wstring> why =
        fullPath.empty() ? std::optional<std::wstring>(L"it has no full path") : UntrustedFolder(fullPath);
    if (why) {
        run.output.Write(L"the record file " + run.start.recordPath + L" is not used: " + *why);
        return ExitCode::CommandLineNotUnderstood;
    }
    const std::wstring folder = FolderOf(fullPath);
    if (!run.options().remove && !IsFolder(folder)) {
        run.output.Write(L"the record file's folder " + folder + L" does not exist");
        return ExitCode::CommandLineNotUnderstood;
    }
    return std::nullopt;
}

// The run that installs or removes holds the record's folder from here to its end and
// reaches the record only through it (see Win32Files). A removal whose folder is not
// there finds nothing, as before.
std::optional<ExitCode> HoldRecordFolder(RunState& run) {
    DWORD error = 0;
    std::wstring why;
    run.recordFolder = HeldFolder::Open(FolderOf(run.start.recordFullPath), error, why);
    if (run.recordFolder || (run.options().remove && error == ERROR_PATH_NOT_FOUND)) return std::nullopt;
    run.output.Write(L"the record file " + run.start.recordPath + L" is not used: " + why);
    return ExitCode::CommandLineNotUnderstood;
}

// A run that leaves the installation to a run with administrator rights holds no folder,
// unless it ends up installing itself.
std::optional<ExitCode> HoldRecordFolderUnlessInstallingWithRights(RunState& run) {
    if (ElevatesAtFinish(run)) return std::nullopt;
    return HoldRecordFolder(run);
}

// Options that cannot be used, an unknown language, arguments that are missing or could
// smuggle options into the printer-setup commands, and a record file that cannot be
// used end the run: no window is shown.
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
    const std::optional<RefusedArgument> refused = Refusal(run);
    if (refused) run.output.Write(RefusalMessage(*refused));
    if (!run.start.complete || refused) return ExitCode::CommandLineNotUnderstood;
    return RefuseTheRecordPath(run);
}

// The log's lines on a failure: what the person should do, and the system's error in
// the program's own words.
void NoteWhyItFailed(RunState& run, ExitCode code, const std::wstring& why) {
    const LanguageLibrary english;
    if (NeedsAdministratorHint(code, run.start.elevated)) {
        run.output.Note(L"the installer does not run with administrator rights; it must be run as administrator");
    }
    // The 32-bit program's driver is the one a printer on 64-bit Windows cannot use.
    if (run.start.machine.adviseThe64BitProgram && code == ExitCode::PrinterNotCreated) {
        run.output.Note(english.Text(IDS_USE_64BIT_PROGRAM));
    }
    if (!why.empty()) run.output.Note(L"why: " + why);
}

// The installation, whichever run asked for it.
InstallResult Install(RunState& run, Win32InstallSystem& system, const InstallSettings& settings) {
    const CommandLine& commandLine = run.commandLine();
    InstallRequest request{settings, commandLine.basePrinterName, run.start.infBasePath, run.start.recordFullPath,
                           run.options().Unattended()};
    request.environment = run.start.machine.environment;
    request.driverRoute = run.start.machine.driverRoute;
    if (const auto& version = run.start.version) {
        request.windowsVersion = {version->majorVersion, version->minorVersion, 0, version->productType};
    }
    // ARM64 Windows is 10 or later, which the version query reports as 6.2: the INF's
    // ARM64 sections are chosen by the real version.
    if (request.environment == DriverEnvironment::Arm64) {
        if (const auto real = QueryRealWindowsVersion()) request.windowsVersion = *real;
    }
    const InstallResult result = RunInstallation(request, system.Get());
    // A port the machine lacks, or a driver for another processor, is no matter of rights
    // or of the program's bitness.
    if (result.port.kind != PortProblem::Kind::None || result.missingDriver == MissingDriver::NoArm64Models) {
        run.output.Note(L"why: " + InstallWhy(result, LanguageLibrary()));
    } else {
        NoteWhyItFailed(run, result.code, InstallWhy(result, LanguageLibrary()));
    }
    return result;
}

RemovalResult Remove(RunState& run, Win32InstallSystem& system, const ConfirmRemoval& confirm) {
    const RemovalResult result =
        RunRemoval({run.commandLine().basePrinterName, run.start.recordFullPath}, system.Get(), confirm);
    NoteWhyItFailed(run, result.code, WhyItFailed(result.code, result.error, LanguageLibrary()));
    return result;
}

// Runs `work` (an installation or a removal on `system`) with the progress window on
// screen, in the run's language. The one way out while it runs is Cancel while it waits
// for another installation: that ends the process at once, before this run has touched
// anything.
void ShowingProgress(RunState& run, Win32InstallSystem& system, std::function<void()> work) {
    Win32Progress& progress = system.progress();
    CProgressDlg window(run.Language(), progress, std::move(work), [&run, &progress] {
        // The other installation may have ended since the click: then this run goes on.
        if (!progress.FreezeIf(RunStep::WaitingForAnotherInstallation)) return;
        run.output.Write(L"cancelled while waiting for another installation");
        run.output.Finish(ExitCode::WizardNotFinished);
        // The run's thread waits for the lock, or at its next step for the process to end.
        ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(ExitCode::WizardNotFinished));
    });
    window.DoModal();
}

// The installation, for a run with a person at the screen (the wizard's, or one without
// pages that still shows how it goes).
InstallResult InstallShowingProgress(RunState& run, Win32InstallSystem& system, const InstallSettings& settings) {
    InstallResult result;
    ShowingProgress(run, system, [&] { result = Install(run, system, settings); });
    return result;
}

// The removal, likewise; `confirm` is asked on the removal's own thread, while the
// progress window steps aside.
RemovalResult RemoveShowingProgress(RunState& run, Win32InstallSystem& system, const ConfirmRemoval& confirm) {
    RemovalResult result;
    ShowingProgress(run, system, [&] { result = Remove(run, system, confirm); });
    return result;
}

// The time limit of a run from options; null, with the line that says so, when it cannot be set.
std::unique_ptr<TimeLimit> StartTimeLimit(RunState& run, Win32InstallSystem& system) {
    std::unique_ptr<TimeLimit> limit =
        TimeLimit::Start(run.options().timeoutSeconds.value_or(kDefaultTimeoutSeconds), run.start.startTick,
                         {run.output, system.progress(), system.programRunner(), system.spooler()});
    // Without its limit a run could wait for ever, and the deployment with it.
    if (!limit) run.output.Write(L"the time limit could not be set");
    return limit;
}

InstallSettings SettingsFromTheOptions(const RunState& run) {
    return SettingsFromOptions(run.options(), run.start.detectedOs, run.commandLine().basePrinterName);
}

// Nobody is at the screen, often the system account in session 0: no page, no prompt,
// no message, no box of the system's own, and a time limit. What goes wrong the log says.
std::optional<ExitCode> RunQuietly(RunState& run) {
    if (!run.options().quiet) return std::nullopt;
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
    Win32InstallSystem system(run.output, run.recordFolder.get(), run.start.elevated);
    const std::unique_ptr<TimeLimit> limit = StartTimeLimit(run, system);
    if (!limit) return ExitCode::CommandLineNotUnderstood;
    ExitCode code = ExitCode::Installed;
    if (run.options().remove) {
        code = Remove(run, system, [](const std::wstring&) { return true; }).code;
    } else {
        code = Install(run, system, SettingsFromTheOptions(run)).code;
    }
    limit->Stop();
    return code;
}

// A page on a window station nobody can see (a service's, session 0's) would wait for
// ever for a person who is not there.
std::optional<ExitCode> RefuseAnInvisibleWindow(RunState& run) {
    if (WindowStationVisible()) return std::nullopt;
    run.output.Write(L"no visible desktop: the wizard cannot be shown (use /quiet)");
    return ExitCode::WizardNotShown;
}

// The message a failed installation shows the person, in the run's language.
void ShowInstallFailure(RunState& run, const InstallResult& outcome, const LanguageLibrary& language) {
    const FailureHints hints{NeedsAdministratorHint(outcome.code, run.start.elevated),
                             run.start.machine.adviseThe64BitProgram && outcome.code == ExitCode::PrinterNotCreated &&
                                 outcome.port.kind == PortProblem::Kind::None};
    AfxMessageBox(InstallFailureMessage(outcome, run.start.recordFullPath, language, hints).c_str(),
                  MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

// The removal's result, told to the person at the screen.
void ShowRemovalResult(RunState& run, const RemovalResult& result, const LanguageLibrary& language) {
    if (result.outcome == RemovalResult::Outcome::Declined) return;
    const bool failed = result.outcome == RemovalResult::Outcome::NotRemoved;
    AfxMessageBox(RemovalMessage(result, run.start.recordFullPath, language).c_str(),
                  MB_OK | MB_SETFOREGROUND | (failed ? MB_ICONWARNING : MB_ICONINFORMATION));
}

// The run that started this one with /handback: learns the printer's whole name.
void HandBack(RunState& run, const std::wstring& printer) {
    const std::wstring& section = run.options().handback;
    if (section.empty() || printer.empty()) return;
    if (const DWORD error = HandBackPrinterName(section, printer)) {
        run.output.Write(L"the printer's name could not be handed back: error " + std::to_wstring(error));
    }
}

// From options, with a person who may watch but is asked nothing: the progress window,
// and the failure's or the removal's message at the end, under a quiet run's time limit
// (the message comes once the work is done and the limit stopped).
std::optional<ExitCode> RunPassively(RunState& run) {
    if (!run.options().passive) return std::nullopt;
    if (const auto unseen = RefuseAnInvisibleWindow(run)) return unseen;
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX | SEM_NOGPFAULTERRORBOX);
    const LanguageLibrary language = run.Language();
    InitCommonControls();
    Win32InstallSystem system(run.output, run.recordFolder.get(), run.start.elevated);
    const std::unique_ptr<TimeLimit> limit = StartTimeLimit(run, system);
    if (!limit) return ExitCode::CommandLineNotUnderstood;
    if (run.options().remove) {
        const RemovalResult result = RemoveShowingProgress(run, system, [](const std::wstring&) { return true; });
        limit->Stop();
        ShowRemovalResult(run, result, language);
        return result.code;
    }
    const InstallResult outcome = InstallShowingProgress(run, system, SettingsFromTheOptions(run));
    limit->Stop();
    HandBack(run, outcome.printerName);
    if (IsFailedInstallation(outcome.code)) ShowInstallFailure(run, outcome, language);
    return outcome.code;
}

// A removal with the person at the screen: asked first, told afterwards.
std::optional<ExitCode> RemoveWithTheQuestion(RunState& run) {
    if (!run.options().remove) return std::nullopt;
    const LanguageLibrary language = run.Language();
    InitCommonControls();
    Win32InstallSystem system(run.output, run.recordFolder.get(), run.start.elevated);
    const RemovalResult result = RemoveShowingProgress(run, system, [&](const std::wstring& printer) {
        return AfxMessageBox(RemovalQuestion(printer, language).c_str(),
                             MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES;
    });
    ShowRemovalResult(run, result, language);
    return result.code;
}

// Makes the printer the default of the person at the screen, once the run with
// administrator rights, which may run as another account, has created it.
void SetDefaultForThisUser(RunState& run, const PrinterNameHandback* handback) {
    const std::optional<std::wstring> printer = handback ? handback->Read() : std::nullopt;
    if (!printer) {
        run.output.Write(
            L"the run with administrator rights handed back no printer name: the default printer is not set");
        return;
    }
    Win32Spooler spooler;
    const SystemError error = spooler.SetDefaultPrinter(*printer);
    run.output.Write(error == 0 ? L"the default printer of this user: " + *printer
                                : L"the default printer could not be set: error " + std::to_wstring(error));
}

// The pages done, the installation runs with administrator rights: the same program,
// started from `page` through the elevation prompt as a /passive run of the pages'
// choices. Its exit code ends this run; nothing when it could not be started, and this
// run installs without the rights.
std::optional<ExitCode> InstallWithRights(RunState& run, const InstallSettings& settings, HWND page) {
    DWORD error = 0;
    const std::unique_ptr<PrinterNameHandback> handback = PrinterNameHandback::Create(error);
    if (!handback) run.output.Write(L"the printer's name cannot be handed back: error " + std::to_wstring(error));
    const std::wstring arguments = ArgumentsForPassiveRun(
        settings, run.start.parsed, handback ? handback->Name() : std::wstring(), MappedNetworkShare, Expanded);
    run.output.Write(L"starting the installation with administrator rights");
    const AfterRelaunch after = DecideAfterRelaunch(
        RelaunchElevated(ThisProgramPath(), arguments, UncPath(CurrentDirectory(), MappedNetworkShare), page));
    if (!after.line.empty()) run.output.Write(after.line);
    if (!after.exitCode) return std::nullopt;
    const auto code = static_cast<ExitCode>(*after.exitCode);
    if (settings.setAsDefault && PrinterCreated(code)) SetDefaultForThisUser(run, handback.get());
    return code;
}

// The wizard, then the installation when it finished; a failure is shown.
std::optional<ExitCode> RunWizard(RunState& run) {
    InstallSettings settings;
    Win32Spooler spooler;
    SystemError error = 0;
    PageContext context{&settings, run.commandLine().basePrinterName, run.Language(), run.start.detectedOs,
                        PortList(spooler.Ports(error).value_or(std::vector<std::wstring>{}))};
    std::optional<ExitCode> installedWithRights;
    const bool elevatesAtFinish = ElevatesAtFinish(run);
    if (elevatesAtFinish) {
        context.finishWithRights = [&](HWND page) { installedWithRights = InstallWithRights(run, settings, page); };
    }
    InitCommonControls();
    CKestrinDlg wizard(context);
    run.app.m_pMainWnd = &wizard;
    const INT_PTR result = wizard.DoModal();
    run.app.m_pMainWnd = nullptr;
    if (const auto exitCode = ExitCodeWithoutInstallation(result)) return *exitCode;
    if (installedWithRights) return *installedWithRights;
    if (elevatesAtFinish) {
        if (const auto refused = OpenLog(run)) return *refused;
        if (const auto refused = HoldRecordFolder(run)) return *refused;
    }

    Win32InstallSystem system(run.output, run.recordFolder.get(), run.start.elevated);
    const InstallResult outcome = InstallShowingProgress(run, system, settings);
    if (IsFailedInstallation(outcome.code)) ShowInstallFailure(run, outcome, context.language);
    return outcome.code;
}

// The steps of a run, in order; the first that ends the run gives its exit code.
constexpr Step kSteps[] = {
    // Needs only the start: a path that would smuggle options goes nowhere, not even on.
    RefuseQuotesOnceExpanded,
    // Needs no log or folder of this run's: the program that takes over opens its own.
    HandOverTo64BitProgram,
    // Likewise: the run with the rights opens the log and holds the folders itself.
    RelaunchWithAdministratorRights,
    // Needs to be the run that stays: from here on its lines reach the log.
    OpenLogUnlessInstallingWithRights,
    // Needs the log, which must tell a deployment why nothing was done.
    RefuseWhatCannotRun,
    // Needs a line that names a usable record path.
    HoldRecordFolderUnlessInstallingWithRights,
    // Each of the rest needs the record's folder held (or, at the finish button, holds it).
    RunQuietly,
    RunPassively,
    RefuseAnInvisibleWindow,
    RemoveWithTheQuestion,
    RunWizard,
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
    // Where the search still looks beside the program, what the printer-setup library
    // and the spooler load late is loaded from the system directory before they are.
    if (!RestrictLibrarySearch()) {
        const std::wstring notLoaded = LoadLateDependencies().NotLoadedLine();
        if (!notLoaded.empty()) Win32DebugOutput().Write(notLoaded);
    }
    SetExitCode(Run(*this));
    return FALSE;
}
