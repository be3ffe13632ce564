#include "win/pages/print_test_page_dlg.h"

#include "res/resource_ids.h"

const CRuntimeClass PrintTestPageDlg::classPrintTestPageDlg = {"PrintTestPageDlg", &CDialog::classCDialog};

PrintTestPageDlg::PrintTestPageDlg(const PageContext& context) : CNestedPage(context) {}

BOOL PrintTestPageDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    GetDlgItem(settings->printTestPage ? IDC_PRINT_YES : IDC_PRINT_NO).SendMessage(BM_SETCHECK, BST_CHECKED);
    MarkFinishButton(IDC_PROMPT_OK);
    // OK as the default button, so that Enter as the prompt opens presses it.
    GotoDlgCtrl(GetDlgItem(IDC_PROMPT_OK));
    return FALSE;
}
