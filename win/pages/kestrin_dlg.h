#pragma once

#include <windows.h>

#include "core/install_settings.h"
#include "core/navigation.h"
#include "core/page_results.h"
#include "res/resource_ids.h"
#include "win/pages/page_context.h"

// The wizard's first page: the operating system the driver is for. It is also the frame
// of the wizard: the other pages run on top of it while it is hidden, and what they end
// with decides how it ends.
class CKestrinDlg : public CWizardPage<CKestrinDlg> {
public:
    explicit CKestrinDlg(const PageContext& context);
    ~CKestrinDlg() override = default;

    HICON appIcon;

    static const MessageMapEntry<CKestrinDlg> messageMap[];

protected:
    BOOL OnInitDialog() override;

private:
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    void OnWindows2000() { settings->osIndex = OsChoice::Windows2000; }
    void OnWindowsXp() { settings->osIndex = OsChoice::WindowsXp; }
    void OnWindows2003() { settings->osIndex = OsChoice::Windows2003; }
    void OnWindowsVista() { settings->osIndex = OsChoice::WindowsVista; }
    void OnWindows7() { settings->osIndex = OsChoice::Windows7; }
    void OnWindows8() { settings->osIndex = OsChoice::Windows8; }
    void OnCancelButton();
    LRESULT OnShowSettings(WPARAM, LPARAM);
    LRESULT OnShowTestPage(WPARAM, LPARAM);

    void ShowSettingsPage();
    void ShowTestPagePrompt();
    void CarryOut(const NavigationStep& step);
};

// The first entry that matches a message handles it.
inline const MessageMapEntry<CKestrinDlg> CKestrinDlg::messageMap[] = {
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
