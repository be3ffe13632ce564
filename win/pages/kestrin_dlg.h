#pragma once

#include <windows.h>

#include <cstddef>

#include "core/navigation.h"
#include "core/os_choice.h"
#include "res/resource_ids.h"
#include "win/pages/wizard_page.h"

// The wizard's first page: the operating system the driver is for. It is also the frame
// of the wizard: the other pages run on top of it while it is hidden, and what they end
// with decides how it ends.
class CKestrinDlg : public CWizardPage<CKestrinDlg> {
public:
    static constexpr UINT IDD = IDD_OS_PAGE;

    explicit CKestrinDlg(const PageContext& context);
    ~CKestrinDlg() override = default;

    HICON appIcon;

    static const MessageMapEntry<CKestrinDlg> messageMap[];

protected:
    BOOL OnInitDialog() override;

private:
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    // The radio button of row `row` of the operating-system choices.
    template <std::size_t row>
    void OnOsChosen() {
        settings->osIndex = kOsChoices[row].choice;
    }
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
    OnCommand(BN_CLICKED, kOsChoices[0].radioId, &CKestrinDlg::OnOsChosen<0>),
    OnCommand(BN_CLICKED, kOsChoices[1].radioId, &CKestrinDlg::OnOsChosen<1>),
    OnCommand(BN_CLICKED, kOsChoices[2].radioId, &CKestrinDlg::OnOsChosen<2>),
    OnCommand(BN_CLICKED, kOsChoices[3].radioId, &CKestrinDlg::OnOsChosen<3>),
    OnCommand(BN_CLICKED, kOsChoices[4].radioId, &CKestrinDlg::OnOsChosen<4>),
    OnCommand(BN_CLICKED, IDC_OS_NEXT, &CKestrinDlg::ShowSettingsPage),
    OnCommand(BN_CLICKED, IDC_OS_CANCEL, &CKestrinDlg::EndWith<WIZARD_CANCEL>),
    OnMessage(WM_SHOW_SETTINGS, &CKestrinDlg::OnShowSettings),
    OnMessage(WM_SHOW_TESTPAGE, &CKestrinDlg::OnShowTestPage),
    OnCommand(BN_CLICKED, kOsChoices[5].radioId, &CKestrinDlg::OnOsChosen<5>),
};
