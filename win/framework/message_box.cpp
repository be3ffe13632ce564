#include "win/framework/message_box.h"

#include "win/framework/dialog.h"
#include "win/framework/win_app.h"

int AfxMessageBox(const wchar_t* text, UINT type) {
    if ((type & MB_ICONMASK) == 0) type |= MB_ICONWARNING;
    HWND owner = nullptr;
    if (const CDialog* page = CDialog::InnermostModal(); page != nullptr) {
        owner = page->m_hWnd;
    } else if (const CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd != nullptr) {
        owner = app->m_pMainWnd->m_hWnd;
    }
    return ::MessageBoxW(owner, text, AfxGetAppName(), type);
}
