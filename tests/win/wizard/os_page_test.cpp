#include <gtest/gtest.h>

#include "core/page_results.h"
#include "res/resource_ids.h"
#include "tests/win/wizard/wizard_fixture.h"
#include "win/pages/kestrin_dlg.h"
#include "win/platform/detect_os.h"

namespace {

// One row of the wizard's navigation, played from the operating-system page.
struct NavigationRow {
    const char* name;
    void (*script)(Driver&);
    INT_PTR result;
};

void PrintTo(const NavigationRow& row, std::ostream* out) {
    *out << row.name;
}

HWND OpenSettingsWithNext(Driver& d, HWND os) {
    d.Click(os, IDC_OS_NEXT);
    HWND settings = d.WaitForPage(PageKind::Settings);
    EXPECT_FALSE(IsWindowVisible(os)) << "the operating-system page stays hidden under the settings page";
    return settings;
}

HWND OpenPrompt(Driver& d, HWND os) {
    PostMessageW(os, WM_SHOW_TESTPAGE, 0, 0);
    HWND prompt = d.WaitForPage(PageKind::Prompt);
    EXPECT_FALSE(IsWindowVisible(os)) << "the operating-system page stays hidden under the prompt";
    return prompt;
}

bool WaitForFocus(Driver& d, HWND page, int controlId) {
    return d.WaitUntil([&] { return d.Focus() == GetDlgItem(page, controlId); }, "the focus");
}

const NavigationRow kNavigationRows[] = {
    {"Cancel ends the wizard", [](Driver& d) { d.Click(d.WaitForPage(PageKind::Os), IDC_OS_CANCEL); }, WIZARD_CANCEL},
    {"Escape takes the default cancel",
     [](Driver& d) {
         d.WaitForPage(PageKind::Os);
         d.PressKey(VK_ESCAPE);
     },
     kDefaultCancel},
    {"the close command takes the default cancel",
     [](Driver& d) { d.SystemCommand(d.WaitForPage(PageKind::Os), SC_CLOSE); }, kDefaultCancel},
    {"Enter on a radio button takes the default accept",
     [](Driver& d) {
         HWND os = d.WaitForPage(PageKind::Os);
         d.Click(os, IDC_WINDOWS_XP);
         if (WaitForFocus(d, os, IDC_WINDOWS_XP)) d.PressKey(VK_RETURN);
     },
     kDefaultAccept},
    {"Enter on Next opens the settings page, whose OK finishes",
     [](Driver& d) {
         HWND os = d.WaitForPage(PageKind::Os);
         if (!WaitForFocus(d, os, IDC_OS_NEXT)) return;
         d.PressKey(VK_RETURN);
         d.Click(d.WaitForPage(PageKind::Settings), IDC_SETTINGS_OK);
     },
     WIZARD_FINISH},
    {"the settings page's Cancel ends the wizard",
     [](Driver& d) { d.Click(OpenSettingsWithNext(d, d.WaitForPage(PageKind::Os)), IDC_SETTINGS_CANCEL); },
     WIZARD_CANCEL},
    {"the settings page's Escape ends the wizard",
     [](Driver& d) {
         OpenSettingsWithNext(d, d.WaitForPage(PageKind::Os));
         d.PressKey(VK_ESCAPE);
     },
     WIZARD_CANCEL},
    {"the settings page's close command ends the wizard",
     [](Driver& d) { d.SystemCommand(OpenSettingsWithNext(d, d.WaitForPage(PageKind::Os)), SC_CLOSE); }, WIZARD_CANCEL},
    {"WM_SHOW_SETTINGS opens the settings page; its Back shows this page again",
     [](Driver& d) {
         HWND os = d.WaitForPage(PageKind::Os);
         PostMessageW(os, WM_SHOW_SETTINGS, 0, 0);
         HWND settings = d.WaitForPage(PageKind::Settings);
         EXPECT_FALSE(IsWindowVisible(os));
         d.Click(settings, IDC_SETTINGS_BACK);
         d.WaitForPage(PageKind::Os);
         EXPECT_FALSE(d.IsOpen(PageKind::Settings));
         d.Click(os, IDC_OS_CANCEL);
     },
     WIZARD_CANCEL},
    {"Enter on a settings page control that is no push button opens the page afresh",
     [](Driver& d) {
         HWND settings = OpenSettingsWithNext(d, d.WaitForPage(PageKind::Os));
         d.Click(settings, IDC_SET_AS_DEFAULT);  // clears the check mark and takes the focus
         if (!WaitForFocus(d, settings, IDC_SET_AS_DEFAULT)) return;
         d.PressKey(VK_RETURN);
         d.WaitUntil([&] { return !IsWindow(settings); }, "the first settings page to close");
         HWND again = d.WaitForPage(PageKind::Settings);
         EXPECT_FALSE(d.IsOpen(PageKind::Os));
         EXPECT_FALSE(Driver::Checked(again, IDC_SET_AS_DEFAULT)) << "the fresh page shows the record";
         d.Click(again, IDC_SETTINGS_CANCEL);
     },
     WIZARD_CANCEL},
    {"WM_SHOW_TESTPAGE opens the prompt; its OK finishes",
     [](Driver& d) { d.Click(OpenPrompt(d, d.WaitForPage(PageKind::Os)), IDC_PROMPT_OK); }, WIZARD_FINISH},
    {"the prompt's Cancel ends the wizard",
     [](Driver& d) { d.Click(OpenPrompt(d, d.WaitForPage(PageKind::Os)), IDC_PROMPT_CANCEL); }, WIZARD_CANCEL},
    {"the prompt's Escape ends the wizard",
     [](Driver& d) {
         OpenPrompt(d, d.WaitForPage(PageKind::Os));
         d.PressKey(VK_ESCAPE);
     },
     WIZARD_CANCEL},
    {"the prompt's close command ends the wizard",
     [](Driver& d) { d.SystemCommand(OpenPrompt(d, d.WaitForPage(PageKind::Os)), SC_CLOSE); }, WIZARD_CANCEL},
    {"Enter as the prompt opens presses its OK",
     [](Driver& d) {
         HWND prompt = OpenPrompt(d, d.WaitForPage(PageKind::Os));
         if (WaitForFocus(d, prompt, IDC_PROMPT_OK)) d.PressKey(VK_RETURN);
     },
     WIZARD_FINISH},
    {"Enter on the prompt's Yes opens the prompt afresh",
     [](Driver& d) {
         HWND prompt = OpenPrompt(d, d.WaitForPage(PageKind::Os));
         d.Click(prompt, IDC_PRINT_YES);
         if (!WaitForFocus(d, prompt, IDC_PRINT_YES)) return;
         d.PressKey(VK_RETURN);
         d.WaitUntil([&] { return !IsWindow(prompt); }, "the first prompt to close");
         HWND again = d.WaitForPage(PageKind::Prompt);
         EXPECT_TRUE(Driver::Checked(again, IDC_PRINT_YES)) << "the fresh prompt shows the record";
         d.Click(again, IDC_PROMPT_CANCEL);
     },
     WIZARD_CANCEL},
    {"the prompt's Back opens the settings page, whose Back shows this page",
     [](Driver& d) {
         HWND os = d.WaitForPage(PageKind::Os);
         HWND prompt = OpenPrompt(d, os);
         d.Click(prompt, IDC_PROMPT_BACK);
         HWND settings = d.WaitForPage(PageKind::Settings);
         EXPECT_FALSE(IsWindow(prompt));
         EXPECT_FALSE(IsWindowVisible(os));
         d.Click(settings, IDC_SETTINGS_BACK);
         d.WaitForPage(PageKind::Os);
         d.Click(os, IDC_OS_CANCEL);
     },
     WIZARD_CANCEL},
};

class Navigation : public WizardTest, public testing::WithParamInterface<NavigationRow> {};

TEST_P(Navigation, EndsTheWizardWithItsCode) {
    EXPECT_EQ(Run<CKestrinDlg>(GetParam().script), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Rows, Navigation, testing::ValuesIn(kNavigationRows));

using OsPage = WizardTest;

TEST_F(OsPage, OpensWithTheRunningSystemChosen) {
    settings.osIndex = OsChoice::Windows2003;
    settings.reservedValue = 7;
    const auto detected = static_cast<std::int32_t>(DetectOsIndex());
    const int radios[] = {IDC_WINDOWS_2000,  IDC_WINDOWS_XP, IDC_WINDOWS_2003,
                          IDC_WINDOWS_VISTA, IDC_WINDOWS_7,  IDC_WINDOWS_8};
    Run<CKestrinDlg>([&](Driver& d) {
        HWND os = d.WaitForPage(PageKind::Os);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(Driver::Checked(os, radios[i]), i == (detected < 0 ? 0 : detected));
        EXPECT_FALSE(Driver::Enabled(os, IDC_OS_BACK));
        EXPECT_EQ(d.Focus(), GetDlgItem(os, IDC_OS_NEXT));
        EXPECT_NE(SendMessageW(os, WM_GETICON, ICON_SMALL, 0), 0);
        const InstallSettings record = Record(d);
        EXPECT_EQ(static_cast<std::int32_t>(record.osIndex), detected);
        EXPECT_EQ(record.reservedValue, 0);
        d.Click(os, IDC_OS_CANCEL);
    });
}

TEST_F(OsPage, EachRadioButtonStoresItsSystem) {
    const struct {
        int radio;
        std::int32_t osIndex;
    } choices[] = {{IDC_WINDOWS_8, 5},    {IDC_WINDOWS_2000, 0},  {IDC_WINDOWS_XP, 1},
                   {IDC_WINDOWS_2003, 2}, {IDC_WINDOWS_VISTA, 3}, {IDC_WINDOWS_7, 4}};
    Run<CKestrinDlg>([&](Driver& d) {
        HWND os = d.WaitForPage(PageKind::Os);
        for (const auto& choice : choices) {
            d.Click(os, choice.radio);
            EXPECT_EQ(static_cast<std::int32_t>(Record(d).osIndex), choice.osIndex) << "radio " << choice.radio;
            EXPECT_TRUE(Driver::Checked(os, choice.radio));
        }
        d.Click(os, IDC_OS_CANCEL);
    });
}

TEST_F(OsPage, BackFromSettingsKeepsTheChoiceAndNextShowsTheRecordAgain) {
    const INT_PTR result = Run<CKestrinDlg>([&](Driver& d) {
        HWND os = d.WaitForPage(PageKind::Os);
        d.Click(os, IDC_WINDOWS_8);
        HWND first = OpenSettingsWithNext(d, os);
        d.Choose(first, IDC_PORT, 4);
        d.Choose(first, IDC_BAUD_RATE, 2);
        d.Click(first, IDC_SETTINGS_BACK);
        d.WaitForPage(PageKind::Os);
        EXPECT_TRUE(Driver::Checked(os, IDC_WINDOWS_8));
        HWND second = OpenSettingsWithNext(d, os);
        EXPECT_EQ(Driver::SelectedItem(second, IDC_PORT), L"COM2");
        EXPECT_EQ(Driver::SelectedItem(second, IDC_BAUD_RATE), L"2400");
        d.Click(second, IDC_SETTINGS_OK);
    });
    EXPECT_EQ(result, WIZARD_FINISH);
    EXPECT_EQ(settings.osIndex, OsChoice::Windows8);
    EXPECT_EQ(settings.portIndex, 4);
    EXPECT_EQ(settings.baudIndex, 2);
}

TEST_F(OsPage, YesOnThePromptStaysWhenTheWizardFinishesFromTheSettingsPage) {
    const INT_PTR result = Run<CKestrinDlg>([&](Driver& d) {
        HWND prompt = OpenPrompt(d, d.WaitForPage(PageKind::Os));
        d.Click(prompt, IDC_PRINT_YES);
        d.Click(prompt, IDC_PROMPT_BACK);
        d.Click(d.WaitForPage(PageKind::Settings), IDC_SETTINGS_OK);
    });
    EXPECT_EQ(result, WIZARD_FINISH);
    EXPECT_TRUE(settings.printTestPage);
}

TEST_F(OsPage, LeavesTheWindowMenusOtherCommandsToTheDialogManager) {
    Run<CKestrinDlg>([&](Driver& d) {
        HWND os = d.WaitForPage(PageKind::Os);
        d.SystemCommand(os, SC_MAXIMIZE);
        d.WaitUntil([&] { return IsZoomed(os) != 0; }, "the page to be maximised");
        d.SystemCommand(os, SC_RESTORE);
        d.WaitUntil([&] { return IsZoomed(os) == 0; }, "the page to be restored");
        d.Click(os, IDC_OS_CANCEL);
    });
}

}  // namespace
