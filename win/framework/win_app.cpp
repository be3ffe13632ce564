#include "win/framework/win_app.h"

#include <string>

namespace {

CWinApp* g_app = nullptr;

std::wstring ProgramTitle() {
    wchar_t title[256] = {};
    if (::LoadStringW(AfxGetResourceHandle(), kAppTitleStringId, title, 256) > 0) return title;
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    name.erase(0, name.find_last_of(L"\\/") + 1);
    return name.substr(0, name.rfind(L'.'));
}

}  // namespace

CWinApp::CWinApp(const wchar_t* appName) : m_pszAppName(appName) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() {
    return g_app;
}

HINSTANCE AfxGetResourceHandle() {
    return ::GetModuleHandleW(nullptr);
}

const wchar_t* AfxGetAppName() {
    if (g_app != nullptr && g_app->m_pszAppName != nullptr) return g_app->m_pszAppName;
    static const std::wstring title = ProgramTitle();
    return title.c_str();
}

int AfxWinMain(HINSTANCE instance) {
    CWinApp* const app = AfxGetApp();
    if (app == nullptr) return 1;
    app->m_hInstance = instance;
    app->InitInstance();
    return app->GetExitCode();
}
