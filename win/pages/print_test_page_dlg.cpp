#include "pages/print_test_page_dlg.h"

#include "pages/close_command.h"
#include "pages/page_results.h"
#include "res/resource_ids.h"

const CRuntimeClass PrintTestPageDlg::classPrintTestPageDlg = {"PrintTestPageDlg", &CDialog::classCDialog};

const MessageMapEntry<PrintTestPageDlg> PrintTestPageDlg::messageMap[] = {
    OnMessage(WM_SYSCOMMAND, &PrintTestPageDlg::OnSysCommand),
    OnCommand(BN_CLICKED, IDC_PROMPT_CANCEL, &PrintTestPageDlg::OnCancelButton),
    OnCommand(BN_CLICKED, IDC_PRINT_YES, &PrintTestPageDlg::OnYes),
    OnCommand(BN_CLICKED, IDC_PRINT_NO, &PrintTestPageDlg::OnNo),
    OnCommand(BN_CLICKED, IDC_PROMPT_OK, &PrintTestPageDlg::OnOkButton),
    OnCommand(BN_CLICKED, IDC_PROMPT_BACK, &PrintTestPageDlg::OnBack),
};

PrintTestPageDlg::PrintTestPageDlg() : CDialog(IDD_TEST_PAGE_PROMPT) {}

bool PrintTestPageDlg::DispatchMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return DispatchThroughMap<PrintTestPageDlg>(*this, messageMap, message, wParam, lParam, result);
}

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
