#pragma once

#include <windows.h>

#include "app/install_settings.h"
#include "platform/framework/dialog.h"
#include "platform/framework/message_map.h"

// Asks whether the installation prints a test page. Its texts are the template's own,
// in every language.
class PrintTestPageDlg : public CDialog {
public:
    PrintTestPageDlg();
    ~PrintTestPageDlg() override = default;

    static const CRuntimeClass classPrintTestPageDlg;
    const CRuntimeClass* GetRuntimeClass() const override { return &classPrintTestPageDlg; }

    InstallSettings* settings = nullptr;  // not owned

protected:
    bool DispatchMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;

private:
    LRESULT OnSysCommand(WPARAM command, LPARAM);
    void OnCancelButton();
    void OnYes() { settings->printTestPage = true; }
    void OnNo() { settings->printTestPage = false; }
    void OnOkButton();
    void OnBack();

    static const MessageMapEntry<PrintTestPageDlg> messageMap[];
};
