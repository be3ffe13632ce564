#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/page_results.h"
#include "res/resource_ids.h"
#include "tests/win/wizard/wizard_fixture.h"
#include "win/pages/print_test_page_dlg.h"
#include "win/pages/setting_dlg.h"
#include "win/platform/language_library.h"

namespace {

using Items = std::vector<std::wstring>;

constexpr int kSerialBoxes[] = {IDC_BAUD_RATE, IDC_STOP_BITS, IDC_FLOW_CONTROL, IDC_BYTE_SIZE, IDC_PARITY};
constexpr int kUsb001 = 7;

std::vector<bool> SerialBoxesEnabled(HWND page) {
    std::vector<bool> enabled;
    for (const int box : kSerialBoxes) enabled.push_back(Driver::Enabled(page, box));
    return enabled;
}

const std::vector<bool> kAllEnabled(5, true);
const std::vector<bool> kAllDisabled(5, false);

// What the settings page shows when it opens.
struct Opening {
    bool defaultChecked;
    int typeSelection;
    std::wstring port, baud, stopBits, flowControl, byteSize, parity;
    std::vector<bool> serialEnabled;
};

Opening Shown(HWND page) {
    return {Driver::Checked(page, IDC_SET_AS_DEFAULT),
            Driver::Selection(page, IDC_PRINTER_TYPE),
            Driver::SelectedItem(page, IDC_PORT),
            Driver::SelectedItem(page, IDC_BAUD_RATE),
            Driver::SelectedItem(page, IDC_STOP_BITS),
            Driver::SelectedItem(page, IDC_FLOW_CONTROL),
            Driver::SelectedItem(page, IDC_BYTE_SIZE),
            Driver::SelectedItem(page, IDC_PARITY),
            SerialBoxesEnabled(page)};
}

struct OpeningRow {
    const char* name;
    void (*prepare)(InstallSettings&);
    Opening expected;
};

void PrintTo(const OpeningRow& row, std::ostream* out) {
    *out << row.name;
}

const OpeningRow kOpeningRows[] = {
    {"an untouched record",
     [](InstallSettings&) {},
     {true, 0, L"LPT1", L"19200", L"1", L"Hardware", L"8", L"None", kAllDisabled}},
    {"a COM port and changed values",
     [](InstallSettings& s) {
         s.setAsDefault = false;
         s.printerTypeIndex = -1;
         s.portIndex = 4;
         s.baudIndex = 0;
         s.stopBitsIndex = 2;
         s.flowControlIndex = 1;
         s.byteSizeIndex = 1;
         s.parityIndex = 3;
     },
     {false, -1, L"COM2", L"300", L"2", L"XON/XOFF", L"6", L"Space", kAllEnabled}},
    {"USB001, without its warning",
     [](InstallSettings& s) {
         s.portIndex = kUsb001;
         s.parityIndex = 4;
         s.flowControlIndex = 0;
     },
     {true, 0, L"USB001", L"19200", L"1", L"None", L"8", L"Mark", kAllDisabled}},
    {"values outside the lists",
     [](InstallSettings& s) {
         s.printerTypeIndex = 1;
         s.baudIndex = 9;
         s.parityIndex = -1;
     },
     {true, -1, L"LPT1", L"", L"1", L"Hardware", L"8", L"", kAllDisabled}},
};

class SettingsOpening : public WizardTest, public testing::WithParamInterface<OpeningRow> {};

TEST_P(SettingsOpening, ShowsTheRecord) {
    GetParam().prepare(settings);
    const InstallSettings before = settings;
    Run<CSettingDlg>([&](Driver& d) {
        HWND page = d.WaitForPage(PageKind::Settings);
        EXPECT_FALSE(d.IsOpen(PageKind::MessageBox));
        const Opening shown = Shown(page);
        const Opening& expected = GetParam().expected;
        EXPECT_EQ(shown.defaultChecked, expected.defaultChecked);
        EXPECT_EQ(shown.typeSelection, expected.typeSelection);
        EXPECT_EQ(shown.port, expected.port);
        EXPECT_EQ(shown.baud, expected.baud);
        EXPECT_EQ(shown.stopBits, expected.stopBits);
        EXPECT_EQ(shown.flowControl, expected.flowControl);
        EXPECT_EQ(shown.byteSize, expected.byteSize);
        EXPECT_EQ(shown.parity, expected.parity);
        EXPECT_EQ(shown.serialEnabled, expected.serialEnabled);
        d.Click(page, IDC_SETTINGS_CANCEL);
    });
    // Opening writes the name and nothing else; values outside the lists stay as they were.
    EXPECT_EQ(settings.printerName, L"Kiosk1");
    settings.printerName = before.printerName;
    EXPECT_EQ(std::tie(settings.osIndex, settings.setAsDefault, settings.printerTypeIndex, settings.portIndex,
                       settings.baudIndex, settings.stopBitsIndex, settings.flowControlIndex, settings.byteSizeIndex,
                       settings.parityIndex, settings.printTestPage),
              std::tie(before.osIndex, before.setAsDefault, before.printerTypeIndex, before.portIndex, before.baudIndex,
                       before.stopBitsIndex, before.flowControlIndex, before.byteSizeIndex, before.parityIndex,
                       before.printTestPage));
}

INSTANTIATE_TEST_SUITE_P(Records, SettingsOpening, testing::ValuesIn(kOpeningRows));

using SettingsPage = WizardTest;

TEST_F(SettingsPage, ListsItsItemsAndTheBaseName) {
    context.basePrinterName = L"Front desk";
    settings.printerName = L"old";
    Run<CSettingDlg>([&](Driver& d) {
        HWND page = d.WaitForPage(PageKind::Settings);
        EXPECT_EQ(Driver::Items(page, IDC_PORT),
                  (Items{L"LPT1", L"LPT2", L"LPT3", L"COM1", L"COM2", L"COM3", L"COM4", L"USB001"}));
        EXPECT_EQ(Driver::Items(page, IDC_BAUD_RATE),
                  (Items{L"300", L"1200", L"2400", L"4800", L"9600", L"19200", L"38400", L"57600", L"115200"}));
        EXPECT_EQ(Driver::Items(page, IDC_STOP_BITS), (Items{L"1", L"1.5", L"2"}));
        EXPECT_EQ(Driver::Items(page, IDC_BYTE_SIZE), (Items{L"5", L"6", L"7", L"8"}));
        EXPECT_EQ(Driver::Items(page, IDC_PARITY), (Items{L"None", L"Even", L"Odd", L"Space", L"Mark"}));
        EXPECT_EQ(Driver::Items(page, IDC_FLOW_CONTROL), (Items{L"None", L"XON/XOFF", L"Hardware"}));
        EXPECT_EQ(Driver::Items(page, IDC_PRINTER_TYPE), Items{L"Front desk"});
        EXPECT_EQ(Driver::Text(page, IDC_PRINTER_NAME), L"Front desk");
        EXPECT_FALSE(Driver::Enabled(page, IDC_PRINTER_NAME));
        EXPECT_EQ(d.Focus(), GetDlgItem(page, IDC_SET_AS_DEFAULT));
        EXPECT_EQ(Record(d).printerName, L"Front desk");
        d.Click(page, IDC_SETTINGS_CANCEL);
    });
}

TEST_F(SettingsPage, CheckBoxStoresItsState) {
    Run<CSettingDlg>([&](Driver& d) {
        HWND page = d.WaitForPage(PageKind::Settings);
        d.Click(page, IDC_SET_AS_DEFAULT);
        EXPECT_FALSE(Record(d).setAsDefault);
        d.Click(page, IDC_SET_AS_DEFAULT);
        EXPECT_TRUE(Record(d).setAsDefault);
        d.Click(page, IDC_SETTINGS_CANCEL);
    });
}

TEST_F(SettingsPage, SerialBoxesStoreTheirPositions) {
    const struct {
        int box;
        int position;
        std::int32_t InstallSettings::*field;
    } choices[] = {{IDC_BAUD_RATE, 8, &InstallSettings::baudIndex},
                   {IDC_STOP_BITS, 1, &InstallSettings::stopBitsIndex},
                   {IDC_FLOW_CONTROL, 0, &InstallSettings::flowControlIndex},
                   {IDC_BYTE_SIZE, 0, &InstallSettings::byteSizeIndex},
                   {IDC_PARITY, 1, &InstallSettings::parityIndex}};
    Run<CSettingDlg>([&](Driver& d) {
        HWND page = d.WaitForPage(PageKind::Settings);
        d.Choose(page, IDC_PORT, 3);
        for (const auto& choice : choices) {
            d.Choose(page, choice.box, choice.position);
            EXPECT_EQ(Record(d).*choice.field, choice.position) << "box " << choice.box;
            // A report of no selection keeps what the box stored before.
            d.Choose(page, choice.box, -1);
            EXPECT_EQ(Record(d).*choice.field, choice.position) << "box " << choice.box;
        }
        d.Click(page, IDC_SETTINGS_BACK);
    });
}

TEST_F(SettingsPage, TypeChoiceCopiesTheWholeNameIntoTheNameBox) {
    context.basePrinterName = L"Reception printer on the second floor";
    Run<CSettingDlg>([&](Driver& d) {
        HWND page = d.WaitForPage(PageKind::Settings);
        SetDlgItemTextW(page, IDC_PRINTER_NAME, L"something else");
        d.Choose(page, IDC_PRINTER_TYPE, 0);
        d.Settle();
        EXPECT_EQ(Driver::Text(page, IDC_PRINTER_NAME), L"Reception printer on the second floor");
        EXPECT_EQ(Record(d).printerTypeIndex, 0);
        d.Choose(page, IDC_PRINTER_TYPE, -1);
        EXPECT_EQ(Record(d).printerTypeIndex, -1);
        EXPECT_EQ(Driver::Text(page, IDC_PRINTER_NAME), L"Reception printer on the second floor");
        d.Click(page, IDC_SETTINGS_CANCEL);
    });
}

TEST_F(SettingsPage, PortChoiceSetsTheSerialBoxes) {
    Run<CSettingDlg>([&](Driver& d) {
        HWND page = d.WaitForPage(PageKind::Settings);
        d.Choose(page, IDC_PORT, 5);  // COM3
        d.Choose(page, IDC_BAUD_RATE, 4);
        EXPECT_EQ(Record(d).portIndex, 5);
        EXPECT_EQ(SerialBoxesEnabled(page), kAllEnabled);
        d.Choose(page, IDC_PORT, 1);  // LPT2
        EXPECT_EQ(Record(d).portIndex, 1);
        EXPECT_EQ(SerialBoxesEnabled(page), kAllDisabled);
        EXPECT_EQ(Driver::SelectedItem(page, IDC_BAUD_RATE), L"9600") << "disabled boxes keep showing their values";
        EXPECT_EQ(Record(d).baudIndex, 4);
        // No selection: neither the record nor the boxes change.
        d.Choose(page, IDC_PORT, 6);
        d.Choose(page, IDC_PORT, -1);
        EXPECT_EQ(Record(d).portIndex, 6);
        EXPECT_EQ(SerialBoxesEnabled(page), kAllEnabled);
        d.Click(page, IDC_SETTINGS_CANCEL);
    });
}

TEST_F(SettingsPage, TextTypedIntoThePortBoxChangesNothing) {
    Run<CSettingDlg>([&](Driver& d) {
        HWND page = d.WaitForPage(PageKind::Settings);
        HWND edit = FindWindowExW(GetDlgItem(page, IDC_PORT), nullptr, L"Edit", nullptr);
        ASSERT_NE(edit, nullptr);
        for (const wchar_t c : std::wstring(L"COM9")) PostMessageW(edit, WM_CHAR, c, 1);
        d.Settle();
        EXPECT_NE(Driver::Text(edit).find(L"COM9"), std::wstring::npos) << "the text was typed";
        EXPECT_EQ(Record(d).portIndex, 0);
        EXPECT_EQ(SerialBoxesEnabled(page), kAllDisabled);
        d.Click(page, IDC_SETTINGS_CANCEL);
    });
}

// The message box shown for USB001: its text, caption, owner and warning icon.
void ExpectUsbWarning(Driver& d, HWND page) {
    HWND box = d.WaitForPage(PageKind::MessageBox);
    if (box == nullptr) return;
    EXPECT_EQ(Driver::Text(box, 0xFFFF), LanguageLibrary().Text(IDS_USB_WARNING));
    EXPECT_EQ(Driver::Text(box), L"Kestrin");
    EXPECT_EQ(GetWindow(box, GW_OWNER), page);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "OK is the only button";
    bool warningIcon = false;
    const HICON warning = LoadIconW(nullptr, IDI_WARNING);
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        warningIcon = warningIcon || reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)) == warning;
    }
    EXPECT_TRUE(warningIcon);
    d.Click(box, IDOK);
    d.WaitUntil([&] { return !d.IsOpen(PageKind::MessageBox); }, "the message box to close");
}

TEST_F(SettingsPage, Usb001WarnsEachTimeAndLeavesTheSerialBoxesAsTheyWere) {
    Run<CSettingDlg>([&](Driver& d) {
        HWND page = d.WaitForPage(PageKind::Settings);
        d.Choose(page, IDC_PORT, 5);  // COM3 enables the serial boxes
        d.Choose(page, IDC_PORT, kUsb001);
        ExpectUsbWarning(d, page);
        EXPECT_EQ(Record(d).portIndex, kUsb001);
        EXPECT_EQ(SerialBoxesEnabled(page), kAllEnabled);

        d.Choose(page, IDC_PORT, 0);
        d.Choose(page, IDC_PORT, kUsb001);
        ExpectUsbWarning(d, page);
        EXPECT_EQ(Record(d).portIndex, kUsb001);
        EXPECT_EQ(SerialBoxesEnabled(page), kAllDisabled);

        d.Choose(page, IDC_PORT, kUsb001);
        ExpectUsbWarning(d, page);
        d.Click(page, IDC_SETTINGS_OK);
    });
}

TEST_F(SettingsPage, OkWithNothingChangedWritesOnlyTheName) {
    const InstallSettings untouched;
    EXPECT_EQ(Run<CSettingDlg>([](Driver& d) { d.Click(d.WaitForPage(PageKind::Settings), IDC_SETTINGS_OK); }),
              PAGE_NEXT);
    EXPECT_EQ(settings.printerName, L"Kiosk1");
    EXPECT_EQ(
        std::tie(settings.osIndex, settings.reservedValue, settings.setAsDefault, settings.printerTypeIndex,
                 settings.reservedText, settings.portIndex, settings.baudIndex, settings.stopBitsIndex,
                 settings.flowControlIndex, settings.byteSizeIndex, settings.parityIndex, settings.printTestPage),
        std::tie(untouched.osIndex, untouched.reservedValue, untouched.setAsDefault, untouched.printerTypeIndex,
                 untouched.reservedText, untouched.portIndex, untouched.baudIndex, untouched.stopBitsIndex,
                 untouched.flowControlIndex, untouched.byteSizeIndex, untouched.parityIndex, untouched.printTestPage));
}

using Prompt = WizardTest;

TEST_F(Prompt, OpensWithTheRecordsAnswerAndStoresEachClick) {
    for (const bool printTestPage : {false, true}) {
        settings.printTestPage = printTestPage;
        const INT_PTR result = Run<PrintTestPageDlg>([&](Driver& d) {
            HWND prompt = d.WaitForPage(PageKind::Prompt);
            EXPECT_EQ(Driver::Checked(prompt, IDC_PRINT_YES), printTestPage);
            EXPECT_EQ(Driver::Checked(prompt, IDC_PRINT_NO), !printTestPage);
            EXPECT_EQ(d.Focus(), GetDlgItem(prompt, IDC_PROMPT_OK));
            d.Click(prompt, IDC_PRINT_YES);
            EXPECT_TRUE(Record(d).printTestPage);
            d.Click(prompt, IDC_PRINT_NO);
            EXPECT_FALSE(Record(d).printTestPage);
            d.Click(prompt, IDC_PRINT_YES);
            d.Click(prompt, IDC_PROMPT_BACK);
        });
        EXPECT_EQ(result, PAGE_BACK);
        EXPECT_TRUE(settings.printTestPage) << "the answer stays whichever way the prompt is left";
    }
}

// The nested pages swallow every system command but close: they can be neither moved
// nor minimised.
void ExpectOtherSystemCommandsSwallowed(Driver& d, PageKind kind, int cancelButton) {
    HWND page = d.WaitForPage(kind);
    RECT before{};
    GetWindowRect(page, &before);
    for (const WPARAM command : {WPARAM{SC_MINIMIZE}, WPARAM{SC_MAXIMIZE}, WPARAM{SC_KEYMENU}}) {
        d.SystemCommand(page, command);
        d.Settle();
        EXPECT_FALSE(IsIconic(page)) << "command " << command;
        EXPECT_FALSE(IsZoomed(page)) << "command " << command;
        EXPECT_TRUE(IsWindowVisible(page)) << "command " << command;
    }
    RECT after{};
    GetWindowRect(page, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    d.Click(page, cancelButton);
}

TEST_F(SettingsPage, SwallowsSystemCommandsOtherThanClose) {
    Run<CSettingDlg>([](Driver& d) { ExpectOtherSystemCommandsSwallowed(d, PageKind::Settings, IDC_SETTINGS_CANCEL); });
}

TEST_F(Prompt, SwallowsSystemCommandsOtherThanClose) {
    Run<PrintTestPageDlg>(
        [](Driver& d) { ExpectOtherSystemCommandsSwallowed(d, PageKind::Prompt, IDC_PROMPT_CANCEL); });
}

}  // namespace
