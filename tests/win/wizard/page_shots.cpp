// Opens each page in each language on the screen and saves a picture of it as a BMP file
// in the folder given on the command line (a path of the machine that runs Wine, or a
// Windows one).

#include <windows.h>

#include <cstdio>
#include <string>

#include "core/install_settings.h"
#include "core/languages.h"
#include "res/resource_ids.h"
#include "tests/support/utility.h"
#include "tests/win/wizard/page_script.h"
#include "win/pages/kestrin_dlg.h"
#include "win/pages/print_test_page_dlg.h"
#include "win/pages/setting_dlg.h"
#include "win/platform/language_library.h"
#include "win/platform/os_detection.h"

namespace {

template <class Dialog>
bool Shoot(const PageContext& context, PageKind kind, int cancel, const std::wstring& file) {
    Dialog dialog(context);
    bool saved = false;
    RunScript(dialog, {[&] { saved = SaveScreenshot(Page(kind), file); }, ClickOn(kind, cancel)});
    if (!saved) Print(L"no picture saved as " + file);
    return saved;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        fwprintf(stderr, L"usage: page_shots FOLDER\n");
        return 2;
    }
    const std::wstring folder = WindowsPath(argv[1]) + L"\\";
    int failed = 0;
    for (const Language& language : kLanguages) {
        InstallSettings settings;
        settings.portIndex = 3;  // COM1: the serial boxes are enabled
        const PageContext context{&settings, L"Kiosk1", LanguageLibrary::Load(language), DetectOsIndex()};
        const std::wstring suffix = L"-" + std::wstring(language.code) + L".bmp";
        failed += !Shoot<CKestrinDlg>(context, PageKind::Os, IDC_OS_CANCEL, folder + L"os-page" + suffix);
        failed +=
            !Shoot<CSettingDlg>(context, PageKind::Settings, IDC_SETTINGS_CANCEL, folder + L"settings-page" + suffix);
        failed += !Shoot<PrintTestPageDlg>(context, PageKind::Prompt, IDC_PROMPT_CANCEL,
                                           folder + L"test-page-prompt" + suffix);
    }
    return failed == 0 ? 0 : 1;
}
