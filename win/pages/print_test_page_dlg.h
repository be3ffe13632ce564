#pragma once

#include <windows.h>

#include "res/resource_ids.h"
#include "win/pages/wizard_page.h"

// Asks whether the installation prints a test page. Its texts are the template's own,
// in every language.
class PrintTestPageDlg : public CNestedPage<PrintTestPageDlg> {
public:
    static constexpr UINT IDD = IDD_TEST_PAGE_PROMPT;

    explicit PrintTestPageDlg(const PageContext& context);
    ~PrintTestPageDlg() override = default;

    static const CRuntimeClass classPrintTestPageDlg;
    const CRuntimeClass* GetRuntimeClass() const override { return &classPrintTestPageDlg; }

    static const MessageMapEntry<PrintTestPageDlg> messageMap[];

protected:
    BOOL OnInitDialog() override;

private:
    void OnYes() { settings->printTestPage = true; }
    void OnNo() { settings->printTestPage = false; }
};

// The first entry that matches a message handles it.
inline const MessageMapEntry<PrintTestPageDlg> PrintTestPageDlg::messageMap[] = {
    OnMessage(WM_SYSCOMMAND, &PrintTestPageDlg::OnSysCommand),
    OnCommand(BN_CLICKED, IDC_PROMPT_CANCEL, &PrintTestPageDlg::EndWith<WIZARD_CANCEL>),
    OnCommand(BN_CLICKED, IDC_PRINT_YES, &PrintTestPageDlg::OnYes),
    OnCommand(BN_CLICKED, IDC_PRINT_NO, &PrintTestPageDlg::OnNo),
    OnCommand(BN_CLICKED, IDC_PROMPT_OK, &PrintTestPageDlg::Finish<WIZARD_FINISH>),
    OnCommand(BN_CLICKED, IDC_PROMPT_BACK, &PrintTestPageDlg::EndWith<PAGE_BACK>),
};
