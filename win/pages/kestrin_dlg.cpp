#include "pages/kestrin_dlg.h"

#include <memory>

#include "pages/detect_os.h"
#include "pages/language_library.h"
#include "pages/page_results.h"
#include "pages/print_test_page_dlg.h"
#include "pages/setting_dlg.h"
#include "platform/framework/win_app.h"
#include "res/resource_ids.h"

static_assert(WM_SHOW_SETTINGS == WM_USER + 1000 && WM_SHOW_TESTPAGE == WM_USER + 1001);

namespace {

// The radio button that shows each operating-system choice, by osIndex.
constexpr int kOsRadio[] = {IDC_WINDOWS_2000,  IDC_WINDOWS_XP, IDC_WINDOWS_2003,
                            IDC_WINDOWS_VISTA, IDC_WINDOWS_7,  IDC_WINDOWS_8};

// Runs fresh objects of a nested page until one ends with a result that leads on.
template <class Page>
NavigationStep RunNestedPage(NestedPage kind, InstallSettings* settings) {
    for (;;) {
        auto page = std::make_unique<Page>();
        page->settings = settings;
        const NavigationStep step = NextStep(kind, page->DoModal());
        if (step.action != NavigationStep::Action::ReopenPage) return step;
    }
}

}  // namespace

const MessageMapEntry<CKestrinDlg> CKestrinDlg::messageMap[] = {
    OnMessage(WM_PAINT, &CKestrinDlg::OnPaint),
    OnMessage(WM_QUERYDRAGICON, &CKestrinDlg::OnQueryDragIcon),
    OnCommand(BN_CLICKED, IDC_WINDOWS_2000, &CKestrinDlg::OnWindows2000),
    OnCommand(BN_CLICKED, IDC_WINDOWS_XP, &CKestrinDlg::OnWindowsXp),
    OnCommand(BN_CLICKED, IDC_WINDOWS_2003, &CKestrinDlg::OnWindows2003),
    OnCommand(BN_CLICKED, IDC_WINDOWS_VISTA, &CKestrinDlg::OnWindowsVista),
    OnCommand(BN_CLICKED, IDC_WINDOWS_7, &CKestrinDlg::OnWindows7),
    OnCommand(BN_CLICKED, IDC_OS_NEXT, &CKestrinDlg::ShowSettingsPage),
    OnCommand(BN_CLICKED, IDC_OS_CANCEL, &CKestrinDlg::OnCancelButton),
    OnMessage(WM_SHOW_SETTINGS, &CKestrinDlg::OnShowSettings),
    OnMessage(WM_SHOW_TESTPAGE, &CKestrinDlg::OnShowTestPage),
    OnCommand(BN_CLICKED, IDC_WINDOWS_8, &CKestrinDlg::OnWindows8),
};

CKestrinDlg::CKestrinDlg()
    : CDialog(IDD_OS_PAGE), appIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_KESTRIN))) {}

bool CKestrinDlg::DispatchMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return DispatchThroughMap<CKestrinDlg>(*this, messageMap, message, wParam, lParam, result);
}

BOOL CKestrinDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon));

    const std::wstring heading = LanguageText(IDS_SELECT_OS);
    SetWindowText(heading.c_str());
    GetDlgItem(IDC_OS_GROUP).SetWindowText(heading.c_str());
    GetDlgItem(IDC_OS_BACK).SetWindowText(LanguageText(IDS_BACK).c_str());
    GetDlgItem(IDC_OS_NEXT).SetWindowText(LanguageText(IDS_NEXT).c_str());
    GetDlgItem(IDC_OS_CANCEL).SetWindowText(LanguageText(IDS_CANCEL).c_str());

    // An unrecognised system shows the first choice but keeps -1 in the record until the
    // user picks one.
    const std::int32_t detected = DetectOsIndex();
    const bool known = detected >= 0 && detected < static_cast<std::int32_t>(std::size(kOsRadio));
    GetDlgItem(known ? kOsRadio[detected] : IDC_WINDOWS_2000).SendMessage(BM_SETCHECK, BST_CHECKED);
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

void CKestrinDlg::OnCancelButton() {
    EndDialog(WIZARD_CANCEL);
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
    CarryOut(RunNestedPage<CSettingDlg>(NestedPage::Settings, settings));
}

void CKestrinDlg::ShowTestPagePrompt() {
    ShowWindow(SW_HIDE);
    CarryOut(RunNestedPage<PrintTestPageDlg>(NestedPage::TestPagePrompt, settings));
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
