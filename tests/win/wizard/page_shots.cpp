// Opens each page in each language on the screen and saves a picture of it as a PNG file
// in the folder given on the command line, as a path of the machine that runs Wine.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/install_settings.h"
#include "core/languages.h"
#include "res/resource_ids.h"
#include "tests/win/wizard/page_driver.h"
#include "win/pages/kestrin_dlg.h"
#include "win/pages/print_test_page_dlg.h"
#include "win/pages/setting_dlg.h"
#include "win/platform/language_library.h"

namespace {

std::string FileBytes(const std::wstring& file) {
    std::string bytes;
    if (FILE* in = _wfopen(file.c_str(), L"rb")) {
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, in)) > 0;) bytes.append(buffer, n);
        fclose(in);
    }
    return bytes;
}

// Takes a picture of the screen area with ImageMagick's import, a program of the machine
// that runs Wine. Wine starts such a program but cannot wait for it, so the picture is
// written under a temporary name and renamed when complete.
std::string ScreenPicture(const RECT& rect, const std::wstring& file) {
    const std::wstring partial = file + L".partial.png";
    DeleteFileW(file.c_str());
    std::wstring command = L"Z:\\bin\\sh -c \"import -window root -crop " + std::to_wstring(rect.right - rect.left) +
                           L"x" + std::to_wstring(rect.bottom - rect.top) + L"+" + std::to_wstring(rect.left) + L"+" +
                           std::to_wstring(rect.top) + L" +repage " + partial + L" && mv " + partial + L" " + file +
                           L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        fwprintf(stderr, L"cannot start %ls: %lu\n", command.c_str(), GetLastError());
        return {};
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(20)) {
        if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) return FileBytes(file);
    }
    fwprintf(stderr, L"no picture from %ls\n", command.c_str());
    return {};
}

// The X server's own picture of the window: under a virtual desktop the screen that
// Windows programs can read lacks the windows' contents. Wine draws a new window a little
// later, so pictures are taken until one repeats; an empty area compresses to a few
// hundred bytes and never counts.
bool SavePicture(HWND window, const std::wstring& file) {
    RECT rect{};
    GetWindowRect(window, &rect);
    constexpr std::size_t kEmptyPicture = 1024;
    std::string previous;
    for (int attempt = 0; attempt < 40; ++attempt) {
        std::string picture = ScreenPicture(rect, file);
        if (picture.empty()) return false;
        if (picture.size() > kEmptyPicture && picture == previous) return true;
        previous = std::move(picture);
    }
    return false;
}

struct Shot {
    const wchar_t* name;
    PageKind kind;
    int cancel;
};

template <class Page>
bool TakeShot(const PageContext& context, const Shot& shot, const std::wstring& file) {
    Page page(context);
    bool saved = false;
    RunDriven(page, [&](Driver& d) {
        HWND window = d.WaitForPage(shot.kind);
        if (window == nullptr) return;
        d.OnUi([&] { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN); });
        d.Settle();
        saved = SavePicture(window, file);
        d.Click(window, shot.cancel);
    });
    return saved;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        fwprintf(stderr, L"usage: page_shots FOLDER\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    int failed = 0;
    for (const Language& language : kLanguages) {
        InstallSettings settings;
        settings.portIndex = 3;  // COM1: the serial boxes are enabled
        const PageContext context{&settings, L"Kiosk1", LanguageLibrary::Load(language)};
        const std::wstring suffix = L"-" + std::wstring(language.code) + L".png";
        failed += !TakeShot<CKestrinDlg>(context, {L"os", PageKind::Os, IDC_OS_CANCEL}, folder + L"/os-page" + suffix);
        failed += !TakeShot<CSettingDlg>(context, {L"settings", PageKind::Settings, IDC_SETTINGS_CANCEL},
                                         folder + L"/settings-page" + suffix);
        failed += !TakeShot<PrintTestPageDlg>(context, {L"prompt", PageKind::Prompt, IDC_PROMPT_CANCEL},
                                              folder + L"/test-page-prompt" + suffix);
    }
    return failed == 0 ? 0 : 1;
}
