#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "core/page_results.h"
#include "core/ports.h"
#include "core/serial_tables.h"
#include "res/resource_ids.h"
#include "tests/win/wizard/wizard_fixture.h"
#include "win/pages/print_test_page_dlg.h"
#include "win/pages/setting_dlg.h"
#include "win/platform/language_library.h"

namespace {

using Texts = std::vector<std::wstring>;

constexpr int kUsb001 = 7;

// Which serial boxes are enabled, in the order baud rate, stop bits, flow control, byte
// size, parity: "+" for enabled, "-" for disabled.
std::wstring SerialBoxes() {
    std::wstring enabled;
    for (const int box : {IDC_BAUD_RATE, IDC_STOP_BITS, IDC_FLOW_CONTROL, IDC_BYTE_SIZE, IDC_PARITY}) {
        enabled += IsWindowEnabled(Control(kSettings, box)) ? L'+' : L'-';
    }
    return enabled;
}
const std::wstring kSerialOn = L"+++++";
const std::wstring kSerialOff = L"-----";

// What the settings page shows: the check box, the type's list position, the selected
// port, baud rate, stop bits, flow control, byte size and parity ("" for none), and the
// serial boxes.
Texts Shown() {
    Texts shown{IsChecked(Control(kSettings, IDC_SET_AS_DEFAULT)) ? L"default" : L"not default",
                std::to_wstring(ComboSelection(Control(kSettings, IDC_PRINTER_TYPE)))};
    for (const int box : {IDC_PORT, IDC_BAUD_RATE, IDC_STOP_BITS, IDC_FLOW_CONTROL, IDC_BYTE_SIZE, IDC_PARITY}) {
        shown.push_back(SelectedItem(Control(kSettings, box)).value_or(L""));
    }
    shown.push_back(SerialBoxes());
    return shown;
}

struct OpeningRow {
    const char* name;
    void (*prepare)(InstallSettings&);
    Texts shown;
};

void PrintTo(const OpeningRow& row, std::ostream* out) {
    *out << row.name;
}

const OpeningRow kOpeningRows[] = {
    {"an untouched record",
     [](InstallSettings&) {},
     {L"default", L"0", L"LPT1", L"19200", L"1", L"Hardware", L"8", L"None", kSerialOff}},
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
     {L"not default", L"-1", L"COM2", L"300", L"2", L"XON/XOFF", L"6", L"Space", kSerialOn}},
    {"USB001, without its warning",
     [](InstallSettings& s) {
         s.portIndex = kUsb001;
         s.parityIndex = 4;
         s.flowControlIndex = 0;
     },
     {L"default", L"0", L"USB001", L"19200", L"1", L"None", L"8", L"Mark", kSerialOff}},
    {"values outside the lists",
     [](InstallSettings& s) {
         s.printerTypeIndex = 1;
         s.baudIndex = 9;
         s.parityIndex = -1;
     },
     {L"default", L"-1", L"LPT1", L"", L"1", L"Hardware", L"8", L"", kSerialOff}},
};

class SettingsOpening : public WizardTest, public testing::WithParamInterface<OpeningRow> {};

TEST_P(SettingsOpening, ShowsTheRecord) {
    GetParam().prepare(settings);
    InstallSettings expected = settings;
    Run<CSettingDlg>(
        {[] { EXPECT_EQ(Shown(), GetParam().shown); }, OnScreen({kSettings}), ClickOn(kSettings, IDC_SETTINGS_CANCEL)});
    // Opening writes the name and nothing else; values outside the lists stay as they were.
    expected.printerName = L"Kiosk1";
    EXPECT_EQ(Fields(settings), Fields(expected));
}

INSTANTIATE_TEST_SUITE_P(Records, SettingsOpening, testing::ValuesIn(kOpeningRows));

using SettingsPage = WizardTest;

// A table's entries as the page lists them, or a list's items as a table holds them.
template <typename Table, typename Convert>
Texts Listed(const Table& table, Convert convert) {
    Texts texts;
    for (const auto& entry : table) texts.push_back(convert(entry));
    return texts;
}

TEST_F(SettingsPage, ListsTheTablesEntriesAndTheBaseName) {
    context.basePrinterName = L"Front desk";
    settings.printerName = L"old";
    const auto number = [](std::int32_t value) { return std::to_wstring(value); };
    const auto text = [](std::wstring_view name) { return std::wstring(name); };
    const auto listText = [](const PortRow& port) { return std::wstring(port.listText); };
    // The option names of an unattended installation are the English items, in lower case
    // and without a slash.
    const auto optionName = [](std::wstring item) {
        std::erase(item, L'/');
        for (wchar_t& c : item) c = static_cast<wchar_t>(towlower(c));
        return item;
    };
    Run<CSettingDlg>({[&] {
                          EXPECT_EQ(ComboItems(Control(kSettings, IDC_PORT)), Listed(kFixedPorts, listText));
                          EXPECT_EQ(ComboItems(Control(kSettings, IDC_BAUD_RATE)), Listed(BaudRateTable, number));
                          EXPECT_EQ(ComboItems(Control(kSettings, IDC_STOP_BITS)), Listed(StopBitsNames, text));
                          EXPECT_EQ(ComboItems(Control(kSettings, IDC_BYTE_SIZE)), Listed(ByteSizeTable, number));
                          EXPECT_EQ(Listed(ComboItems(Control(kSettings, IDC_PARITY)), optionName),
                                    Listed(ParityNames, text));
                          EXPECT_EQ(Listed(ComboItems(Control(kSettings, IDC_FLOW_CONTROL)), optionName),
                                    Listed(FlowControlNames, text));
                          EXPECT_EQ(ComboItems(Control(kSettings, IDC_PRINTER_TYPE)), Texts{L"Front desk"});
                          EXPECT_EQ(WindowText(Control(kSettings, IDC_PRINTER_NAME)), L"Front desk");
                          EXPECT_FALSE(IsWindowEnabled(Control(kSettings, IDC_PRINTER_NAME)));
                          EXPECT_EQ(Focus(), Control(kSettings, IDC_SET_AS_DEFAULT));
                          EXPECT_EQ(settings.printerName, L"Front desk");
                      },
                      ClickOn(kSettings, IDC_SETTINGS_CANCEL)});
}

TEST_F(SettingsPage, CheckBoxStoresItsState) {
    Run<CSettingDlg>({ClickOn(kSettings, IDC_SET_AS_DEFAULT), [this] { EXPECT_FALSE(settings.setAsDefault); },
                      ClickOn(kSettings, IDC_SET_AS_DEFAULT), [this] { EXPECT_TRUE(settings.setAsDefault); },
                      ClickOn(kSettings, IDC_SETTINGS_CANCEL)});
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
    Script script{ChooseIn(kSettings, IDC_PORT, 3)};
    for (const auto& c : choices) {
        const auto stored = [this, c] { EXPECT_EQ(settings.*c.field, c.position) << "box " << c.box; };
        // A report of no selection keeps what the box stored before.
        script.insert(script.end(),
                      {ChooseIn(kSettings, c.box, c.position), stored, ChooseIn(kSettings, c.box, -1), stored});
    }
    script.push_back(ClickOn(kSettings, IDC_SETTINGS_BACK));
    Run<CSettingDlg>(script);
}

TEST_F(SettingsPage, TypeChoiceCopiesTheWholeNameIntoTheNameBox) {
    context.basePrinterName = L"Reception printer on the second floor";
    const auto nameBox = [this](std::int32_t typeIndex) -> Step {
        return [this, typeIndex] {
            EXPECT_EQ(WindowText(Control(kSettings, IDC_PRINTER_NAME)), context.basePrinterName);
            EXPECT_EQ(settings.printerTypeIndex, typeIndex);
        };
    };
    Run<CSettingDlg>({[] { SetWindowTextW(Control(kSettings, IDC_PRINTER_NAME), L"something else"); },
                      ChooseIn(kSettings, IDC_PRINTER_TYPE, 0), nameBox(0), ChooseIn(kSettings, IDC_PRINTER_TYPE, -1),
                      nameBox(-1), ClickOn(kSettings, IDC_SETTINGS_CANCEL)});
}

// After a port choice: the port in the record, the serial boxes, and the baud rate shown.
Step PortState(const InstallSettings& record, std::int32_t port, const std::wstring& boxes) {
    return [&record, port, boxes] {
        EXPECT_EQ(record.portIndex, port);
        EXPECT_EQ(SerialBoxes(), boxes);
        // Disabled boxes keep showing their values.
        EXPECT_EQ(SelectedItem(Control(kSettings, IDC_BAUD_RATE)), L"9600");
        EXPECT_EQ(record.baudIndex, 4);
    };
}

TEST_F(SettingsPage, PortChoiceSetsTheSerialBoxes) {
    Run<CSettingDlg>({ChooseIn(kSettings, IDC_PORT, 5),  // COM3
                      ChooseIn(kSettings, IDC_BAUD_RATE, 4), PortState(settings, 5, kSerialOn),
                      ChooseIn(kSettings, IDC_PORT, 1),  // LPT2
                      PortState(settings, 1, kSerialOff),
                      // No selection: neither the record nor the boxes change.
                      ChooseIn(kSettings, IDC_PORT, 6), ChooseIn(kSettings, IDC_PORT, -1),
                      PortState(settings, 6, kSerialOn), ClickOn(kSettings, IDC_SETTINGS_CANCEL)});
}

TEST_F(SettingsPage, TextTypedIntoThePortBoxChangesNothing) {
    const auto edit = [] { return FindWindowExW(Control(kSettings, IDC_PORT), nullptr, L"Edit", nullptr); };
    Run<CSettingDlg>({[&] {
                          ASSERT_NE(edit(), nullptr);
                          for (const wchar_t c : std::wstring(L"COM9")) PostMessageW(edit(), WM_CHAR, c, 1);
                      },
                      [&] {
                          EXPECT_NE(WindowText(edit()).find(L"COM9"), std::wstring::npos) << "the text was typed";
                          EXPECT_EQ(settings.portIndex, 0);
                          EXPECT_EQ(SerialBoxes(), kSerialOff);
                      },
                      ClickOn(kSettings, IDC_SETTINGS_CANCEL)});
}

// The message box shown for USB001, owned by the page, with its text, caption and
// warning icon and OK as the only button; then OK closes it.
Script UsbWarning() {
    return {[] {
                const HWND box = Page(kMessage);
                EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)), LanguageLibrary().Text(IDS_USB_WARNING));
                EXPECT_EQ(WindowText(box), L"Kestrin");
                EXPECT_EQ(GetWindow(box, GW_OWNER), Page(kSettings));
                EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
                bool warningIcon = false;
                const HICON warning = LoadIconW(nullptr, IDI_WARNING);
                for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
                    warningIcon |= reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)) == warning;
                }
                EXPECT_TRUE(warningIcon);
            },
            ClickOn(kMessage, IDOK), OnScreen({kSettings})};
}

TEST_F(SettingsPage, Usb001WarnsEachTimeAndLeavesTheSerialBoxesAsTheyWere) {
    // From COM3, which enables the serial boxes, from LPT1, and from USB001 itself (after a
    // report of no selection, which changes nothing).
    Script script;
    for (const auto& [before, boxes] : {std::pair{5, kSerialOn}, std::pair{0, kSerialOff}, std::pair{-1, kSerialOff}}) {
        const Script warning = UsbWarning();
        script.push_back(ChooseIn(kSettings, IDC_PORT, before));
        script.push_back(ChooseIn(kSettings, IDC_PORT, kUsb001));
        script.insert(script.end(), warning.begin(), warning.end());
        script.push_back([this, boxes] {
            EXPECT_EQ(settings.portIndex, kUsb001);
            EXPECT_EQ(SerialBoxes(), boxes);
        });
    }
    script.push_back(ClickOn(kSettings, IDC_SETTINGS_OK));
    Run<CSettingDlg>(script);
}

TEST_F(SettingsPage, OkWithNothingChangedWritesOnlyTheName) {
    EXPECT_EQ(Run<CSettingDlg>({ClickOn(kSettings, IDC_SETTINGS_OK)}), PAGE_NEXT);
    InstallSettings expected;
    expected.printerName = L"Kiosk1";
    EXPECT_EQ(Fields(settings), Fields(expected));
}

using Prompt = WizardTest;

TEST_F(Prompt, OpensWithTheRecordsAnswerAndStoresEachClick) {
    for (const bool printTestPage : {false, true}) {
        settings.printTestPage = printTestPage;
        const auto answer = [this](bool yes) -> Step {
            return [this, yes] { EXPECT_EQ(settings.printTestPage, yes); };
        };
        const INT_PTR result =
            Run<PrintTestPageDlg>({[=] {
                                       EXPECT_EQ(IsChecked(Control(kPrompt, IDC_PRINT_YES)), printTestPage);
                                       EXPECT_EQ(IsChecked(Control(kPrompt, IDC_PRINT_NO)), !printTestPage);
                                       EXPECT_EQ(Focus(), Control(kPrompt, IDC_PROMPT_OK));
                                   },
                                   ClickOn(kPrompt, IDC_PRINT_YES), answer(true), ClickOn(kPrompt, IDC_PRINT_NO),
                                   answer(false), ClickOn(kPrompt, IDC_PRINT_YES), ClickOn(kPrompt, IDC_PROMPT_BACK)});
        EXPECT_EQ(result, PAGE_BACK);
        EXPECT_TRUE(settings.printTestPage) << "the answer stays whichever way the prompt is left";
    }
}

// The nested pages swallow every system command but close: they can be neither moved
// nor minimised.
Script OtherSystemCommandsSwallowed(PageKind kind, int cancelButton) {
    const auto before = std::make_shared<RECT>();
    Script script{[=] { GetWindowRect(Page(kind), before.get()); }};
    for (const WPARAM command : {WPARAM{SC_MINIMIZE}, WPARAM{SC_MAXIMIZE}, WPARAM{SC_KEYMENU}}) {
        script.push_back(Command(kind, command));
        script.push_back([=] {
            const HWND page = Page(kind);
            RECT after{};
            GetWindowRect(page, &after);
            EXPECT_FALSE(IsIconic(page) || IsZoomed(page)) << "command " << command;
            EXPECT_TRUE(EqualRect(before.get(), &after)) << "command " << command;
        });
    }
    script.push_back(ClickOn(kind, cancelButton));
    return script;
}

TEST_F(SettingsPage, SwallowsSystemCommandsOtherThanClose) {
    Run<CSettingDlg>(OtherSystemCommandsSwallowed(kSettings, IDC_SETTINGS_CANCEL));
}

TEST_F(Prompt, SwallowsSystemCommandsOtherThanClose) {
    Run<PrintTestPageDlg>(OtherSystemCommandsSwallowed(kPrompt, IDC_PROMPT_CANCEL));
}

// A run that asks for administrator rights at the end asks when the finishing button is
// pressed, while its page stays on screen, disabled (the prompt's owner); the page then
// ends as it always does. Without that, the button asks nothing.
template <class Page>
void FinishAsksForTheRights(WizardTest& test, PageContext& context, PageKind kind, int button, INT_PTR result) {
    for (const bool asks : {false, true}) {
        std::vector<bool> waitingPages;  // one entry a time it was asked: whether the page waited as it should
        context.finishWithRights = nullptr;
        if (asks) {
            context.finishWithRights = [&](HWND page) {
                waitingPages.push_back(IsWindowVisible(page) && !IsWindowEnabled(page));
            };
        }
        EXPECT_EQ(test.RunPage<Page>({ClickOn(kind, button)}), result);
        EXPECT_EQ(waitingPages, asks ? std::vector<bool>{true} : std::vector<bool>{}) << "asks: " << asks;
    }
}

TEST_F(SettingsPage, OkAsksForTheRightsWhileThePageWaits) {
    FinishAsksForTheRights<CSettingDlg>(*this, context, kSettings, IDC_SETTINGS_OK, PAGE_NEXT);
}

TEST_F(Prompt, OkAsksForTheRightsWhileThePageWaits) {
    FinishAsksForTheRights<PrintTestPageDlg>(*this, context, kPrompt, IDC_PROMPT_OK, WIZARD_FINISH);
}

}  // namespace
