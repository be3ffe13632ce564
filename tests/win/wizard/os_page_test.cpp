#include <gtest/gtest.h>

#include <memory>

#include "core/page_results.h"
#include "res/resource_ids.h"
#include "tests/win/wizard/wizard_fixture.h"
#include "win/pages/kestrin_dlg.h"
#include "win/platform/os_detection.h"

namespace {

// One row of the wizard's navigation, played from the operating-system page.
struct NavigationRow {
    const char* name;
    Script script;
    INT_PTR result;
};

void PrintTo(const NavigationRow& row, std::ostream* out) {
    *out << row.name;
}

// Enter on a control of a nested page that is no push button: that page closes and a
// fresh one opens, showing the record that the click on the control changed.
Script EnterOpensAfresh(Script script, PageKind kind, int control, bool checkedAfter, int cancel) {
    const auto first = std::make_shared<HWND>();
    script.insert(script.end(), {ClickOn(kind, control), FocusOn(kind, control), [=] { *first = Page(kind); },
                                 Key(VK_RETURN), OnScreen({kind}),
                                 [=] {
                                     EXPECT_FALSE(IsWindow(*first)) << "the first page is closed";
                                     EXPECT_EQ(IsChecked(Control(kind, control)), checkedAfter);
                                 },
                                 ClickOn(kind, cancel)});
    return script;
}

const Step kNext = ClickOn(kOs, IDC_OS_NEXT);
const Step kShowPrompt = PostTo(kOs, WM_SHOW_TESTPAGE);

const NavigationRow kNavigationRows[] = {
    {"Cancel ends the wizard", {ClickOn(kOs, IDC_OS_CANCEL)}, WIZARD_CANCEL},
    {"Escape takes the default cancel", {Key(VK_ESCAPE)}, kDefaultCancel},
    {"the close command takes the default cancel", {Command(kOs, SC_CLOSE)}, kDefaultCancel},
    {"Enter on a radio button takes the default accept",
     {ClickOn(kOs, IDC_WINDOWS_XP), FocusOn(kOs, IDC_WINDOWS_XP), Key(VK_RETURN)},
     kDefaultAccept},
    {"Enter on Next opens the settings page, whose OK finishes",
     {FocusOn(kOs, IDC_OS_NEXT), Key(VK_RETURN), OnScreen({kSettings}), ClickOn(kSettings, IDC_SETTINGS_OK)},
     WIZARD_FINISH},
    {"the settings page's Cancel ends the wizard", {kNext, ClickOn(kSettings, IDC_SETTINGS_CANCEL)}, WIZARD_CANCEL},
    {"the settings page's Escape ends the wizard", {kNext, OnScreen({kSettings}), Key(VK_ESCAPE)}, WIZARD_CANCEL},
    {"the settings page's close command ends the wizard", {kNext, Command(kSettings, SC_CLOSE)}, WIZARD_CANCEL},
    {"WM_SHOW_SETTINGS opens the settings page; its Back shows this page again",
     {PostTo(kOs, WM_SHOW_SETTINGS), OnScreen({kSettings}), ClickOn(kSettings, IDC_SETTINGS_BACK), OnScreen({kOs}),
      ClickOn(kOs, IDC_OS_CANCEL)},
     WIZARD_CANCEL},
    {"Enter on a settings page control that is no push button opens the page afresh",
     EnterOpensAfresh({kNext}, kSettings, IDC_SET_AS_DEFAULT, false, IDC_SETTINGS_CANCEL), WIZARD_CANCEL},
    {"WM_SHOW_TESTPAGE opens the prompt; its OK finishes",
     {kShowPrompt, OnScreen({kPrompt}), ClickOn(kPrompt, IDC_PROMPT_OK)},
     WIZARD_FINISH},
    {"the prompt's Cancel ends the wizard", {kShowPrompt, ClickOn(kPrompt, IDC_PROMPT_CANCEL)}, WIZARD_CANCEL},
    {"the prompt's Escape ends the wizard", {kShowPrompt, OnScreen({kPrompt}), Key(VK_ESCAPE)}, WIZARD_CANCEL},
    {"the prompt's close command ends the wizard", {kShowPrompt, Command(kPrompt, SC_CLOSE)}, WIZARD_CANCEL},
    {"Enter as the prompt opens presses its OK",
     {kShowPrompt, FocusOn(kPrompt, IDC_PROMPT_OK), Key(VK_RETURN)},
     WIZARD_FINISH},
    {"Enter on the prompt's Yes opens the prompt afresh",
     EnterOpensAfresh({kShowPrompt}, kPrompt, IDC_PRINT_YES, true, IDC_PROMPT_CANCEL), WIZARD_CANCEL},
    {"the prompt's Back opens the settings page, whose Back shows this page",
     {kShowPrompt, ClickOn(kPrompt, IDC_PROMPT_BACK), OnScreen({kSettings}), ClickOn(kSettings, IDC_SETTINGS_BACK),
      OnScreen({kOs}), ClickOn(kOs, IDC_OS_CANCEL)},
     WIZARD_CANCEL},
};

class Navigation : public WizardTest, public testing::WithParamInterface<NavigationRow> {};

TEST_P(Navigation, EndsTheWizardWithItsCode) {
    EXPECT_EQ(Run<CKestrinDlg>(GetParam().script), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Rows, Navigation, testing::ValuesIn(kNavigationRows));

using OsPage = WizardTest;

// Radio buttons in the order of the record's choices.
constexpr int kRadios[] = {IDC_WINDOWS_2000,  IDC_WINDOWS_XP, IDC_WINDOWS_2003,
                           IDC_WINDOWS_VISTA, IDC_WINDOWS_7,  IDC_WINDOWS_8};

TEST_F(OsPage, OpensWithTheRunningSystemChosen) {
    settings.osIndex = OsChoice::Windows2003;
    settings.reservedValue = 7;
    const auto detected = static_cast<std::int32_t>(DetectOsIndex());
    Run<CKestrinDlg>({[&] {
                          for (int i = 0; i < 6; ++i) {
                              EXPECT_EQ(IsChecked(Control(kOs, kRadios[i])), i == (detected < 0 ? 0 : detected));
                          }
                          EXPECT_FALSE(IsWindowEnabled(Control(kOs, IDC_OS_BACK)));
                          EXPECT_EQ(Focus(), Control(kOs, IDC_OS_NEXT));
                          EXPECT_NE(SendMessageW(Page(kOs), WM_GETICON, ICON_SMALL, 0), 0);
                          EXPECT_EQ(static_cast<std::int32_t>(settings.osIndex), detected);
                          EXPECT_EQ(settings.reservedValue, 0);
                      },
                      ClickOn(kOs, IDC_OS_CANCEL)});
}

TEST_F(OsPage, EachRadioButtonStoresItsSystem) {
    Script script;
    for (const int i : {5, 0, 1, 2, 3, 4}) {
        script.push_back(ClickOn(kOs, kRadios[i]));
        script.push_back([this, i] {
            EXPECT_EQ(static_cast<int>(settings.osIndex), i);
            EXPECT_TRUE(IsChecked(Control(kOs, kRadios[i])));
        });
    }
    script.push_back(ClickOn(kOs, IDC_OS_CANCEL));
    Run<CKestrinDlg>(script);
}

TEST_F(OsPage, BackFromSettingsKeepsTheChoiceAndNextShowsTheRecordAgain) {
    const INT_PTR result = Run<CKestrinDlg>(
        {ClickOn(kOs, IDC_WINDOWS_8), kNext, ChooseIn(kSettings, IDC_PORT, 4), ChooseIn(kSettings, IDC_BAUD_RATE, 2),
         ClickOn(kSettings, IDC_SETTINGS_BACK), [] { EXPECT_TRUE(IsChecked(Control(kOs, IDC_WINDOWS_8))); }, kNext,
         [] {
             EXPECT_EQ(SelectedItem(Control(kSettings, IDC_PORT)), L"COM2");
             EXPECT_EQ(SelectedItem(Control(kSettings, IDC_BAUD_RATE)), L"2400");
         },
         ClickOn(kSettings, IDC_SETTINGS_OK)});
    EXPECT_EQ(result, WIZARD_FINISH);
    EXPECT_EQ(settings.osIndex, OsChoice::Windows8);
    EXPECT_EQ(settings.portIndex, 4);
    EXPECT_EQ(settings.baudIndex, 2);
}

TEST_F(OsPage, YesOnThePromptStaysWhenTheWizardFinishesFromTheSettingsPage) {
    const INT_PTR result = Run<CKestrinDlg>({kShowPrompt, ClickOn(kPrompt, IDC_PRINT_YES),
                                             ClickOn(kPrompt, IDC_PROMPT_BACK), ClickOn(kSettings, IDC_SETTINGS_OK)});
    EXPECT_EQ(result, WIZARD_FINISH);
    EXPECT_TRUE(settings.printTestPage);
}

TEST_F(OsPage, LeavesTheWindowMenusOtherCommandsToTheDialogManager) {
    Run<CKestrinDlg>({Command(kOs, SC_MAXIMIZE), [] { EXPECT_TRUE(IsZoomed(Page(kOs))); }, Command(kOs, SC_RESTORE),
                      [] { EXPECT_FALSE(IsZoomed(Page(kOs))); }, ClickOn(kOs, IDC_OS_CANCEL)});
}

}  // namespace
