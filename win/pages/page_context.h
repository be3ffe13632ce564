#pragma once

#include <windows.h>

#include <string>

#include "core/install_settings.h"
#include "win/framework/dialog.h"
#include "win/platform/language_library.h"

// What every page of one run shares: the one record, the printer's base name from the
// command line and the texts of the chosen language.
struct PageContext {
    InstallSettings* settings = nullptr;  // not owned: start-up keeps the record
    std::wstring basePrinterName;
    LanguageLibrary language;
};

// A wizard page: its message map (see CDialogImpl) and the run's context.
template <class Page>
class CWizardPage : public CDialogImpl<Page> {
public:
    InstallSettings* settings;  // not owned; every page writes into the same record

protected:
    CWizardPage(UINT templateId, const PageContext& context)
        : CDialogImpl<Page>(templateId), settings(context.settings), context_(context) {}

    std::wstring Text(UINT id) const { return context_.language.Text(id); }

    const PageContext& context_;
};
