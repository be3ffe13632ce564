#include "win/framework/dialog.h"

#include <cwchar>

#include "win/framework/win_app.h"

const CRuntimeClass CDialog::classCDialog = {"CDialog", nullptr};
CDialog* CDialog::s_innermostModal = nullptr;

namespace {

// Messages whose result a dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
        case WM_INITDIALOG:
            return true;
        default:
            return false;
    }
}

}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_templateId(templateId), m_parentHwnd(parent != nullptr ? parent->m_hWnd : nullptr) {}

INT_PTR CDialog::DoModal() {
    CDialog* const outer = s_innermostModal;
    s_innermostModal = this;
    const INT_PTR result = ::DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_templateId), m_parentHwnd,
                                             DialogProc, reinterpret_cast<LPARAM>(this));
    s_innermostModal = outer;
    m_hWnd = nullptr;
    return result;
}

BOOL CDialog::OnInitDialog() {
    AddTemplateListItems();
    return TRUE;
}

bool CDialog::DispatchMessageMap(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* page = reinterpret_cast<CDialog*>(lParam);
        page->m_hWnd = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    }
    // Nothing reaches a page before it knows its window.
    auto* page = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (page == nullptr) return FALSE;

    const INT_PTR result = page->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        page->m_hWnd = nullptr;
    }
    return result;
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return OnInitDialog();

    // A handler may run a nested modal loop that brings this page further messages.
    const bool outerDefaultRequested = m_defaultRequested;
    m_defaultRequested = false;
    LRESULT result = 0;
    bool handled = DispatchMessageMap(message, wParam, lParam, result) && !m_defaultRequested;
    m_defaultRequested = outerDefaultRequested;

    if (!handled && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            handled = true;
        } else if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            handled = true;
        }
    }
    if (!handled) return FALSE;
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    if (m_hWnd != nullptr) ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

void CDialog::AddTemplateListItems() const {
    const HINSTANCE module = AfxGetResourceHandle();
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(m_templateId), kListItemsResourceType);
    if (resource == nullptr) return;
    HGLOBAL loaded = ::LoadResource(module, resource);
    const auto* data = static_cast<const wchar_t*>(::LockResource(loaded));
    if (data == nullptr) return;

    // Read within the resource's size even should it lack its terminating entries.
    const wchar_t* const end = data + ::SizeofResource(module, resource) / sizeof(wchar_t);
    while (data < end && *data != 0) {
        const int controlId = *data++;
        const wchar_t* text = data;
        while (data < end && *data != 0) ++data;
        if (data == end) break;
        ++data;
        ::SendDlgItemMessageW(m_hWnd, controlId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
}
