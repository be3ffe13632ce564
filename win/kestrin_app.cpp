#include "win/kestrin_app.h"

#include "core/command_line.h"
#include "core/install_sequence.h"
#include "core/install_settings.h"
#include "core/languages.h"
#include "core/navigation.h"
#include "win/pages/kestrin_dlg.h"
#include "win/pages/page_context.h"
#include "win/platform/language_library.h"
#include "win/platform/system_paths.h"
#include "win/platform/win32_system.h"

CKestrinApp theApp;

BOOL CKestrinApp::InitInstance() {
    CWinApp::InitInstance();
    RemoveCurrentDirectoryFromDllSearch();

    const CommandLine commandLine = SplitCommandLine(::GetCommandLineW());
    if (commandLine.outcome == CommandLine::Outcome::UnknownLanguage) {
        SetExitCode(static_cast<int>(ExitCode::CommandLineNotUnderstood));
        return FALSE;
    }

    Win32DebugOutput debug;
    debug.Write(commandLine.languageCode);
    debug.Write(commandLine.basePrinterName);
    debug.Write(commandLine.infBasePath);
    // Without a name or a path there is nothing to install, and one that could smuggle
    // options into the printer-setup commands is not installed: no window is shown.
    if (commandLine.refused) debug.Write(RefusalMessage(*commandLine.refused));
    if (commandLine.outcome != CommandLine::Outcome::Complete) {
        SetExitCode(static_cast<int>(ExitCode::CommandLineNotUnderstood));
        return FALSE;
    }

    InstallSettings settings;
    const PageContext context{&settings, commandLine.basePrinterName,
                              LanguageLibrary::Load(kLanguages[static_cast<std::size_t>(commandLine.languageIndex)])};
    CKestrinDlg wizard(context);
    m_pMainWnd = &wizard;

    const INT_PTR result = wizard.DoModal();
    m_pMainWnd = nullptr;
    if (const auto exitCode = ExitCodeWithoutInstallation(result)) {
        SetExitCode(static_cast<int>(*exitCode));
        return FALSE;
    }
    Win32InstallSystem system;
    SetExitCode(static_cast<int>(
        RunInstallation(settings, commandLine.basePrinterName, commandLine.infBasePath, system.Get())));
    return FALSE;
}
