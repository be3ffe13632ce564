#pragma once

#include <windows.h>

#include "app/install_settings.h"
#include "pages/navigation.h"
#include "platform/framework/dialog.h"
#include "platform/framework/message_map.h"

// The wizard's first page: the operating system the driver is for. It is also the frame
// of the wizard: the other pages run on top of it while it is hidden, and what they end
// with decides how it ends.
class CKestrinDlg : public CDialog {
public:
    CKestrinDlg();
    ~CKestrinDlg() override = default;

    InstallSettings* settings = nullptr;  // not owned; handed on to every nested page
    HICON appIcon;

protected:
    bool DispatchMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnInitDialog() override;

private:
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    void OnWindows2000() { settings->osIndex = 0; }
    void OnWindowsXp() { settings->osIndex = 1; }
    void OnWindows2003() { settings->osIndex = 2; }
    void OnWindowsVista() { settings->osIndex = 3; }
    void OnWindows7() { settings->osIndex = 4; }
    void OnWindows8() { settings->osIndex = 5; }
    void OnCancelButton();
    LRESULT OnShowSettings(WPARAM, LPARAM);
    LRESULT OnShowTestPage(WPARAM, LPARAM);

    void ShowSettingsPage();
    void ShowTestPagePrompt();
    void CarryOut(const NavigationStep& step);

    static const MessageMapEntry<CKestrinDlg> messageMap[];
};
