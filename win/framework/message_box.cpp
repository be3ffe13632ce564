#include "win/framework/message_box.h"

#include "win/framework/dialog.h"
#include "win/framework/win_app.h"

namespace {

// An owner on another thread would tie the two threads' input together and leave the box
// waiting on a window busy elsewhere: a box asked for from a worker thread has none.
HWND OwnerOnThisThread(HWND window) {
    if (window == nullptr || ::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId()) return nullptr;
    return window;
}

}  // namespace

int AfxMessageBox(const wchar_t* text, UINT type) {
    if ((type & MB_ICONMASK) == 0) type |= MB_ICONWARNING;
    HWND owner = nullptr;
    if (const CDialog* page = CDialog::InnermostModal(); page != nullptr) {
        owner = OwnerOnThisThread(page->m_hWnd);
    } else if (const CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd != nullptr) {
        owner = OwnerOnThisThread(app->m_pMainWnd->m_hWnd);
    }
    return ::MessageBoxW(owner, text, AfxGetAppName(), type);
}
