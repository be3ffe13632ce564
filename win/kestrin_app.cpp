#include "app/kestrin_app.h"

#include "app/command_line.h"
#include "app/install_sequence.h"
#include "app/install_settings.h"
#include "pages/kestrin_dlg.h"
#include "pages/language_library.h"
#include "pages/navigation.h"
#include "pages/wizard_values.h"
#include "platform/system_paths.h"
#include "platform/win32_system.h"

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
    // Without a name or a path there is nothing to install: no window is shown.
    if (commandLine.outcome == CommandLine::Outcome::MissingArgument) {
        SetExitCode(static_cast<int>(ExitCode::CommandLineNotUnderstood));
        return FALSE;
    }
    basePrinterName = commandLine.basePrinterName;

    InstallSettings settings;
    CKestrinDlg wizard;
    m_pMainWnd = &wizard;
    wizard.settings = &settings;
    languageLibrary = LoadLanguageLibrary(commandLine.languageIndex);

    const INT_PTR result = wizard.DoModal();
    m_pMainWnd = nullptr;
    if (const auto exitCode = ExitCodeWithoutInstallation(result)) {
        SetExitCode(static_cast<int>(*exitCode));
        return FALSE;
    }
    Win32InstallSystem system;
    SetExitCode(static_cast<int>(RunInstallation(settings, basePrinterName, commandLine.infBasePath, system.Get())));
    return FALSE;
}
