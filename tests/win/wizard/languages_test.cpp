#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/languages.h"
#include "res/resource_ids.h"
#include "tests/support/utility.h"
#include "tests/win/wizard/wizard_fixture.h"
#include "win/pages/kestrin_dlg.h"
#include "win/pages/print_test_page_dlg.h"
#include "win/pages/setting_dlg.h"
#include "win/platform/handles.h"
#include "win/platform/language_library.h"

namespace {

constexpr int kTitle = 0;

// A control (or, as kTitle, the page itself) that shows one text of the library.
struct Caption {
    int control;
    UINT text;
    const wchar_t* english;
};

const Caption kOsCaptions[] = {
    {kTitle, IDS_SELECT_OS, L"Select Operating System"},
    {IDC_OS_GROUP, IDS_SELECT_OS, L"Select Operating System"},
    {IDC_OS_BACK, IDS_BACK, L"Back"},
    {IDC_OS_NEXT, IDS_NEXT, L"Next"},
    {IDC_OS_CANCEL, IDS_CANCEL, L"Cancel"},
};

const Caption kSettingsCaptions[] = {
    {kTitle, IDS_SETTINGS_TITLE, L"Settings"},
    {IDC_PRINTER_TYPE_LABEL, IDS_PRINTER_TYPE, L"Printer Type"},
    {IDC_PRINTER_GROUP, IDS_PRINTER_SETTINGS, L"Printer Settings"},
    {IDC_SET_AS_DEFAULT, IDS_SET_AS_DEFAULT, L"Set as default printer"},
    {IDC_PRINTER_NAME_LABEL, IDS_PRINTER_NAME, L"Printer Name"},
    {IDC_PORT_GROUP, IDS_PORT_SETTINGS, L"Printer Port Settings"},
    {IDC_PORT_LABEL, IDS_PORTS, L"Ports"},
    {IDC_BAUD_RATE_LABEL, IDS_BAUD_RATE, L"Baud Rate"},
    {IDC_BYTE_SIZE_LABEL, IDS_BYTE_SIZE, L"Byte Size"},
    {IDC_STOP_BITS_LABEL, IDS_STOP_BITS, L"Stop Bits"},
    {IDC_FLOW_CONTROL_LABEL, IDS_FLOW_CONTROL, L"Flow Control"},
    {IDC_PARITY_LABEL, IDS_PARITY, L"Parity"},
    {IDC_SETTINGS_BACK, IDS_BACK, L"Back"},
    {IDC_SETTINGS_OK, IDS_OK, L"OK"},
    {IDC_SETTINGS_CANCEL, IDS_CANCEL, L"Cancel"},
};

// List items in list order.
const Caption kParityItems[] = {{IDC_PARITY, IDS_PARITY_NONE, L"None"},
                                {IDC_PARITY, IDS_PARITY_EVEN, L"Even"},
                                {IDC_PARITY, IDS_PARITY_ODD, L"Odd"},
                                {IDC_PARITY, IDS_PARITY_SPACE, L"Space"},
                                {IDC_PARITY, IDS_PARITY_MARK, L"Mark"}};
const Caption kFlowControlItems[] = {{IDC_FLOW_CONTROL, IDS_FLOW_NONE, L"None"},
                                     {IDC_FLOW_CONTROL, IDS_FLOW_XON_XOFF, L"XON/XOFF"},
                                     {IDC_FLOW_CONTROL, IDS_FLOW_HARDWARE, L"Hardware"}};

// Captions that stay the template's own in every language.
struct FixedCaption {
    int control;
    const wchar_t* text;
};

const FixedCaption kOsFixed[] = {{IDC_WINDOWS_2000, L"Windows 2000"}, {IDC_WINDOWS_XP, L"Windows XP"},
                                 {IDC_WINDOWS_2003, L"Windows 2003"}, {IDC_WINDOWS_VISTA, L"Windows Vista"},
                                 {IDC_WINDOWS_7, L"Windows 7"},       {IDC_WINDOWS_8, L"Windows 8"}};
const FixedCaption kPromptFixed[] = {{kTitle, L"Print Test Page"}, {IDC_PROMPT_OK, L"OK"},
                                     {IDC_PROMPT_BACK, L"Back"},   {IDC_PROMPT_CANCEL, L"Cancel"},
                                     {IDC_PRINT_YES, L"Yes"},      {IDC_PRINT_NO, L"No"}};

// A library's text read directly, without the program's fallback.
std::wstring LibraryText(std::wstring_view file, UINT id) {
    const UniqueModule library(
        LoadLibraryExW((ProgramDirectory() + L"\\" + std::wstring(file)).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    wchar_t text[512] = {};
    const int length = LoadStringW(library.get(), id, text, 512);
    return std::wstring(text, static_cast<std::size_t>(length > 0 ? length : 0));
}

std::wstring Shown(PageKind kind, int control) {
    return WindowText(control == kTitle ? Page(kind) : Control(kind, control));
}

// Each language of the program, and none: then the program's own English.
std::vector<const Language*> LanguagesAndNone() {
    std::vector<const Language*> all{nullptr};
    for (const Language& language : kLanguages) all.push_back(&language);
    return all;
}

// Where a control's text does not fit in it, in the control's own font.
std::vector<std::string> Overflows(HWND page) {
    std::vector<std::string> found;
    auto check = [&](HWND control, const std::wstring& text, int available) {
        HDC dc = GetDC(control);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(control, dc);
        if (size.cx > available) {
            found.push_back("control " + std::to_string(GetDlgCtrlID(control)) + ": text " + std::to_string(size.cx) +
                            " px wide in " + std::to_string(available) + " px");
        }
    };
    for (HWND control = GetWindow(page, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        RECT rect{};
        GetClientRect(control, &rect);
        const auto type = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)) & BS_TYPEMASK;
        const std::wstring name = ClassName(control);
        if (name == L"Static") {
            check(control, WindowText(control), rect.right);
        } else if (name == L"Button") {
            // Room taken by a group box's frame, a check box's or radio button's box.
            const int margin = type == BS_GROUPBOX ? 16 : (type == BS_PUSHBUTTON ? 4 : 18);
            check(control, WindowText(control), rect.right - margin);
        } else if (name == L"ComboBox") {
            for (const std::wstring& item : ComboItems(control)) {
                check(control, item, rect.right - GetSystemMetrics(SM_CXVSCROLL) - 6);
            }
        }
    }
    return found;
}

class Captions : public WizardTest, public testing::WithParamInterface<const Language*> {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        if (GetParam() != nullptr) context.language = LanguageLibrary::Load(*GetParam());
    }

    std::wstring Expected(const Caption& caption) const {
        return GetParam() == nullptr ? caption.english : LibraryText(GetParam()->LibraryFile(), caption.text);
    }
};

TEST_P(Captions, OsPageShowsTheLanguagesTexts) {
    if (GetParam() != nullptr) {
        ASSERT_NE(context.language.module(), nullptr);
    }
    Run<CKestrinDlg>({[&] {
                          for (const Caption& c : kOsCaptions)
                              EXPECT_EQ(Shown(kOs, c.control), Expected(c)) << c.control;
                          for (const FixedCaption& c : kOsFixed) EXPECT_EQ(Shown(kOs, c.control), c.text);
                          EXPECT_EQ(Overflows(Page(kOs)), std::vector<std::string>{});
                      },
                      ClickOn(kOs, IDC_OS_CANCEL)});
}

TEST_P(Captions, SettingsPageShowsTheLanguagesTextsAndItems) {
    Run<CSettingDlg>({[&] {
                          for (const Caption& c : kSettingsCaptions) {
                              EXPECT_EQ(Shown(kSettings, c.control), Expected(c)) << c.control;
                          }
                          std::vector<std::wstring> parity, flowControl;
                          for (const Caption& c : kParityItems) parity.push_back(Expected(c));
                          for (const Caption& c : kFlowControlItems) flowControl.push_back(Expected(c));
                          EXPECT_EQ(ComboItems(Control(kSettings, IDC_PARITY)), parity);
                          EXPECT_EQ(ComboItems(Control(kSettings, IDC_FLOW_CONTROL)), flowControl);
                          EXPECT_EQ(Overflows(Page(kSettings)), std::vector<std::string>{});
                      },
                      ClickOn(kSettings, IDC_SETTINGS_CANCEL)});
}

TEST_P(Captions, PromptKeepsItsOwnEnglish) {
    Run<PrintTestPageDlg>({[&] {
                               for (const FixedCaption& c : kPromptFixed) EXPECT_EQ(Shown(kPrompt, c.control), c.text);
                               EXPECT_EQ(Overflows(Page(kPrompt)), std::vector<std::string>{});
                           },
                           ClickOn(kPrompt, IDC_PROMPT_CANCEL)});
}

INSTANTIATE_TEST_SUITE_P(Languages, Captions, testing::ValuesIn(LanguagesAndNone()), [](const auto& param) {
    return param.param == nullptr ? std::string("none") : ToUtf8(param.param->code);
});

TEST(LanguageLibraries, HoldEveryTextAndTheEnglishOneReadsAsTheTemplates) {
    std::vector<Caption> all(std::begin(kOsCaptions), std::end(kOsCaptions));
    all.insert(all.end(), std::begin(kSettingsCaptions), std::end(kSettingsCaptions));
    all.insert(all.end(), std::begin(kParityItems), std::end(kParityItems));
    all.insert(all.end(), std::begin(kFlowControlItems), std::end(kFlowControlItems));
    all.push_back({0, IDS_USB_WARNING, L""});
    for (const Caption& c : all) {
        for (const Language& language : kLanguages) {
            EXPECT_NE(LibraryText(language.LibraryFile(), c.text), L"") << ToUtf8(language.code) << " " << c.text;
        }
        if (c.text != IDS_USB_WARNING) {
            EXPECT_EQ(LibraryText(L"rc_eng.dll", c.text), c.english);
        }
    }
    EXPECT_NE(LibraryText(L"rc_eng.dll", IDS_USB_WARNING).find(L"USB001"), std::wstring::npos);
}

// The messages a run shows besides the pages: each in every language, its placeholders
// kept, so that the name, path or number still lands in the text.
struct MessageText {
    UINT id;
    const wchar_t* placeholders;  // those that each language's text must hold
};

const MessageText kMessages[] = {
    {IDS_FAILED_SETUP_MISSING, L""}, {IDS_FAILED_NOT_CREATED, L""},  {IDS_FAILED_RECORD_FILE, L"{0}"},
    {IDS_FAILED_SERIAL_PORT, L""},   {IDS_FAILED_EXIT_CODE, L"{0}"}, {IDS_RUN_AS_ADMINISTRATOR, L""},
    {IDS_WHY_PORT_MISSING, L""},     {IDS_WHY_DRIVER_MISSING, L""},  {IDS_WHY_ACCESS_DENIED, L""},
    {IDS_WHY_NO_COM_PORT, L""},      {IDS_WINDOWS_ERROR, L"{0}{1}"}, {IDS_USE_64BIT_PROGRAM, L""},
    {IDS_REMOVE_QUESTION, L"{0}"},   {IDS_REMOVED, L"{0}"},          {IDS_NOTHING_TO_REMOVE, L"{0}"},
    {IDS_NOT_REMOVED, L"{0}"},       {IDS_WHY_OTHER_BASE_NAME, L""}, {IDS_WHY_OTHER_DRIVER, L""},
    {IDS_WHY_RECORD_STAYS, L""},     {IDS_WHY_NO_ARM64_DRIVER, L""},
};

TEST(LanguageLibraries, HoldEveryMessageWithItsPlaceholders) {
    for (const Language& language : kLanguages) {
        for (const MessageText& message : kMessages) {
            const std::wstring text = LibraryText(language.LibraryFile(), message.id);
            EXPECT_NE(text, L"") << ToUtf8(language.code) << " " << message.id;
            for (const std::wstring mark : {L"{0}", L"{1}"}) {
                const bool wanted = std::wstring_view(message.placeholders).find(mark) != std::wstring_view::npos;
                EXPECT_EQ(text.find(mark) != std::wstring::npos, wanted) << ToUtf8(language.code) << " " << message.id;
            }
        }
    }
}

TEST(LanguageLibraries, ALibraryThatIsNotThereLoadsAsNothing) {
    EXPECT_EQ(LoadResourceLibrary((ProgramDirectory() + L"\\rc_none.dll").c_str()), nullptr);
}

constexpr wchar_t kEntryMark[] = L"KESTRIN_MARKED_ENTRY_RAN";

bool EntryRan() {
    return GetEnvironmentVariableW(kEntryMark, nullptr, 0) != 0;
}

using MarkedLibrary = WizardTest;

TEST_F(MarkedLibrary, RunsItsEntryPointWhenLoadedAsCode) {
    // The mark works: the same library, loaded the ordinary way, leaves it.
    const UniqueModule code(LoadLibraryW((ProgramDirectory() + L"\\rc_marked_probe.dll").c_str()));
    ASSERT_TRUE(code);
    EXPECT_TRUE(EntryRan());
    SetEnvironmentVariableW(kEntryMark, nullptr);
}

TEST_F(MarkedLibrary, ShowsItsTextsWithoutRunningAnyOfItsCode) {
    context.language = LanguageLibrary(LoadResourceLibrary((ProgramDirectory() + L"\\rc_marked.dll").c_str()));
    ASSERT_NE(context.language.module(), nullptr);
    EXPECT_FALSE(EntryRan());
    Run<CKestrinDlg>({[] {
                          EXPECT_EQ(Shown(kOs, kTitle), L"(m) Select Operating System");
                          EXPECT_EQ(Shown(kOs, IDC_OS_NEXT), L"(m) Next");
                      },
                      ClickOn(kOs, IDC_OS_CANCEL)});
    Run<CSettingDlg>({[] {
                          EXPECT_EQ(Shown(kSettings, kTitle), L"(m) Settings");
                          // The library lacks the last item's text: that one is the program's own.
                          EXPECT_EQ(ComboItems(Control(kSettings, IDC_FLOW_CONTROL)),
                                    (std::vector<std::wstring>{L"(m) None", L"(m) XON/XOFF", L"Hardware"}));
                      },
                      ClickOn(kSettings, IDC_SETTINGS_CANCEL)});
    EXPECT_FALSE(EntryRan());
}

}  // namespace
