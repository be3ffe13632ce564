#include "win/pages/kestrin_dlg.h"

#include <memory>

#include "core/page_results.h"
#include "res/resource_ids.h"
#include "win/framework/win_app.h"
#include "win/pages/print_test_page_dlg.h"
#include "win/pages/setting_dlg.h"

namespace {

// Runs fresh objects of a nested page until one ends with a result that leads on.
template <class Page>
NavigationStep RunNestedPage(NestedPage kind, const PageContext& context) {
    for (;;) {
        auto page = std::make_unique<Page>(context);
        const NavigationStep step = NextStep(kind, page->DoModal());
        if (step.action != NavigationStep::Action::ReopenPage) return step;
    }
}

}  // namespace

CKestrinDlg::CKestrinDlg(const PageContext& context)
    : CWizardPage(context), appIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_KESTRIN))) {}

BOOL CKestrinDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon));

    const std::wstring heading = Text(IDS_SELECT_OS);
    SetWindowText(heading.c_str());
    GetDlgItem(IDC_OS_GROUP).SetWindowText(heading.c_str());
    GetDlgItem(IDC_OS_BACK).SetWindowText(Text(IDS_BACK).c_str());
    GetDlgItem(IDC_OS_NEXT).SetWindowText(Text(IDS_NEXT).c_str());
    GetDlgItem(IDC_OS_CANCEL).SetWindowText(Text(IDS_CANCEL).c_str());

    // An unrecognised system shows the first choice but keeps -1 in the record until the
    // user picks one.
    const OsChoice detected = context_.detectedOs;
    GetDlgItem(OsChoiceRowFor(detected).radioId).SendMessage(BM_SETCHECK, BST_CHECKED);
    settings->osIndex = detected;
    settings->reservedValue = 0;

    // The checked radio button has become a tab stop ahead of Next; Enter as the page
    // opens must still mean Next.
    GotoDlgCtrl(GetDlgItem(IDC_OS_NEXT));
    return FALSE;
}

LRESULT CKestrinDlg::OnPaint(WPARAM, LPARAM) {
    if (!IsIconic()) {
        Default();
        return 0;
    }
    const CPaintDC dc(*this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC));
    RECT client{};
    GetClientRect(&client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc.m_hDC, x, y, appIcon);
    return 0;
}

LRESULT CKestrinDlg::OnQueryDragIcon(WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>(appIcon);
}

LRESULT CKestrinDlg::OnShowSettings(WPARAM, LPARAM) {
    ShowSettingsPage();
    return 0;
}

LRESULT CKestrinDlg::OnShowTestPage(WPARAM, LPARAM) {
    ShowTestPagePrompt();
    return 0;
}

void CKestrinDlg::ShowSettingsPage() {
    ShowWindow(SW_HIDE);
    CarryOut(RunNestedPage<CSettingDlg>(NestedPage::Settings, context_));
}

void CKestrinDlg::ShowTestPagePrompt() {
    ShowWindow(SW_HIDE);
    CarryOut(RunNestedPage<PrintTestPageDlg>(NestedPage::TestPagePrompt, context_));
}

void CKestrinDlg::CarryOut(const NavigationStep& step) {
    switch (step.action) {
        case NavigationStep::Action::ShowOsPage:
            ShowWindow(SW_SHOWNORMAL);
            break;
        case NavigationStep::Action::EndWizard:
            EndDialog(step.endCode);
            break;
        case NavigationStep::Action::OpenSettingsPage:
            PostMessage(WM_SHOW_SETTINGS);
            break;
        case NavigationStep::Action::ReopenPage:
            break;  // done by RunNestedPage
    }
}
