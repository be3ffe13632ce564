#pragma once

#include <windows.h>

#include "win/framework/wnd.h"

// The one application object of a program. The program's entry point calls its
// InitInstance once: that call is the whole run, and the process then ends with the
// exit code the run set.
class CWinApp {
public:
    explicit CWinApp(const wchar_t* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The run. Its result only tells whether it succeeded: the framework keeps no
    // message loop of its own, so the program ends either way.
    virtual BOOL InitInstance() { return TRUE; }

    void SetExitCode(int code) { m_exitCode = code; }
    int GetExitCode() const { return m_exitCode; }

    const wchar_t* m_pszAppName;
    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;

private:
    int m_exitCode = 0;
};

// The string resource that holds the program's title, for an application object that
// was given no name.
inline constexpr UINT kAppTitleStringId = 0xE000;

CWinApp* AfxGetApp();
// The module whose resources hold the dialog templates, icons and strings: the program.
HINSTANCE AfxGetResourceHandle();
// The program's title: the application object's name, else the title string resource,
// else the program's file name.
const wchar_t* AfxGetAppName();

// Runs the application object; returns the process's exit code.
int AfxWinMain(HINSTANCE instance);
