#pragma once

#include <windows.h>

#include "res/resource_ids.h"
#include "win/pages/page_context.h"

// Asks whether the installation prints a test page. Its texts are the template's own,
// in every language.
class PrintTestPageDlg : public CWizardPage<PrintTestPageDlg> {
public:
    explicit PrintTestPageDlg(const PageContext& context);
    ~PrintTestPageDlg() override = default;

    static const CRuntimeClass classPrintTestPageDlg;
    const CRuntimeClass* GetRuntimeClass() const override { return &classPrintTestPageDlg; }

    static const MessageMapEntry<PrintTestPageDlg> messageMap[];

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;

private:
    LRESULT OnSysCommand(WPARAM command, LPARAM);
    void OnCancelButton();
    void OnYes() { settings->printTestPage = true; }
    void OnNo() { settings->printTestPage = false; }
    void OnOkButton();
    void OnBack();
};

// The first entry that matches a message handles it.
inline const MessageMapEntry<PrintTestPageDlg> PrintTestPageDlg::messageMap[] = {
    OnMessage(WM_SYSCOMMAND, &PrintTestPageDlg::OnSysCommand),
    OnCommand(BN_CLICKED, IDC_PROMPT_CANCEL, &PrintTestPageDlg::OnCancelButton),
    OnCommand(BN_CLICKED, IDC_PRINT_YES, &PrintTestPageDlg::OnYes),
    OnCommand(BN_CLICKED, IDC_PRINT_NO, &PrintTestPageDlg::OnNo),
    OnCommand(BN_CLICKED, IDC_PROMPT_OK, &PrintTestPageDlg::OnOkButton),
    OnCommand(BN_CLICKED, IDC_PROMPT_BACK, &PrintTestPageDlg::OnBack),
};
