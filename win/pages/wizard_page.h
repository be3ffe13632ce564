#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/install_settings.h"
#include "core/page_results.h"
#include "core/ports.h"
#include "res/resource_ids.h"
#include "win/framework/dialog.h"
#include "win/framework/win_app.h"
#include "win/platform/language_library.h"

// Message boxes take the program's title from the resource the framework looks for.
static_assert(kAppTitleStringId == IDS_APP_TITLE);

// Private messages of the operating-system page; any sender may post them.
inline constexpr UINT WM_SHOW_SETTINGS = WM_USER + 1000;  // 2024: the settings page opens
inline constexpr UINT WM_SHOW_TESTPAGE = WM_USER + 1001;  // 2025: the test-page prompt opens
static_assert(WM_SHOW_SETTINGS == 2024 && WM_SHOW_TESTPAGE == 2025);

// What every page of one run shares: the one record, the printer's base name from the
// command line, the texts of the chosen language and the system the run found itself on.
struct PageContext {
    InstallSettings* settings = nullptr;  // not owned: start-up keeps the record
    std::wstring basePrinterName;
    LanguageLibrary language;
    OsChoice detectedOs = OsChoice::Unrecognised;  // what the first page preselects
    std::vector<PortEntry> ports = PortList({});   // the settings page's port list, the machine's own ports included
    // Set when the run asks for administrator rights only once the person finishes the
    // wizard: the button that finishes it carries the shield, and pressing it calls this
    // with the page, which stays on screen, disabled, until it returns.
    std::function<void(HWND page)> finishWithRights{};
};

// BCM_SETSHIELD, named only in the headers of systems since Vista.
inline constexpr UINT kSetShield = 0x160C;

// A wizard page: its message map (see CDialogImpl), its template `Page::IDD` and the
// run's context.
template <class Page>
class CWizardPage : public CDialogImpl<Page> {
public:
    InstallSettings* settings;  // not owned; every page writes into the same record

protected:
    explicit CWizardPage(const PageContext& context)
        : CDialogImpl<Page>(Page::IDD), settings(context.settings), context_(context) {}

    std::wstring Text(UINT id) const { return context_.language.Text(id); }

    // A message-map command that ends the page with `result`.
    template <INT_PTR result>
    void EndWith() {
        this->EndDialog(result);
    }

    const PageContext& context_;
};

// A page the operating-system page runs on top of itself. Cancel, Escape and the close
// command (the caption's close button, Alt+F4) end it with WIZARD_CANCEL; every other
// system command is swallowed, so such a page can be neither moved nor minimised.
template <class Page>
class CNestedPage : public CWizardPage<Page> {
protected:
    using CWizardPage<Page>::CWizardPage;

    void OnCancel() override { this->EndDialog(WIZARD_CANCEL); }

    // A message-map command for the button that finishes the wizard: the run's rights
    // are asked for first, when it asks for them at this button.
    template <INT_PTR result>
    void Finish() {
        if (const auto& finish = this->context_.finishWithRights) {
            this->EnableWindow(FALSE);
            finish(this->m_hWnd);
        }
        this->EndDialog(result);
    }

    // From OnInitDialog: the button that finishes the wizard shows the shield when
    // pressing it asks for administrator rights.
    void MarkFinishButton(int buttonId) const {
        if (this->context_.finishWithRights) this->GetDlgItem(buttonId).SendMessage(kSetShield, 0, TRUE);
    }

    // For the page's message map: WM_SYSCOMMAND.
    LRESULT OnSysCommand(WPARAM command, LPARAM) {
        if (command == SC_CLOSE) this->EndDialog(WIZARD_CANCEL);
        return 0;
    }
};
