#include "win/pages/print_test_page_dlg.h"

#include "core/page_results.h"
#include "res/resource_ids.h"
#include "win/pages/close_command.h"

const CRuntimeClass PrintTestPageDlg::classPrintTestPageDlg = {"PrintTestPageDlg", &CDialog::classCDialog};

PrintTestPageDlg::PrintTestPageDlg(const PageContext& context) : CWizardPage(IDD_TEST_PAGE_PROMPT, context) {}

BOOL PrintTestPageDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    GetDlgItem(settings->printTestPage ? IDC_PRINT_YES : IDC_PRINT_NO).SendMessage(BM_SETCHECK, BST_CHECKED);
    // OK as the default button, so that Enter as the prompt opens presses it.
    GotoDlgCtrl(GetDlgItem(IDC_PROMPT_OK));
    return FALSE;
}

void PrintTestPageDlg::OnCancel() {
    EndDialog(WIZARD_CANCEL);
}

LRESULT PrintTestPageDlg::OnSysCommand(WPARAM command, LPARAM) {
    EndOnCloseCommand(*this, command);
    return 0;
}

void PrintTestPageDlg::OnCancelButton() {
    EndDialog(WIZARD_CANCEL);
}

void PrintTestPageDlg::OnOkButton() {
    EndDialog(WIZARD_FINISH);
}

void PrintTestPageDlg::OnBack() {
    EndDialog(PAGE_BACK);
}
