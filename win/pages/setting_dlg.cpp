#include "win/pages/setting_dlg.h"

#include <string>

#include "core/page_results.h"
#include "core/port_choice.h"
#include "core/serial_tables.h"
#include "win/framework/message_box.h"

namespace {

// The boxes of a COM port's line values, in the order they are enabled and disabled.
constexpr int kSerialBoxes[] = {IDC_BAUD_RATE, IDC_STOP_BITS, IDC_FLOW_CONTROL, IDC_BYTE_SIZE, IDC_PARITY};

std::int32_t Selection(const CWnd& box) {
    return static_cast<std::int32_t>(box.SendMessage(CB_GETCURSEL));
}

void Select(const CWnd& box, std::int32_t index) {
    box.SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index));
}

LPARAM TextParam(const std::wstring& text) {
    return reinterpret_cast<LPARAM>(text.c_str());
}

}  // namespace

const CRuntimeClass CSettingDlg::classCSettingDlg = {"CSettingDlg", &CDialog::classCDialog};

CSettingDlg::CSettingDlg(const PageContext& context) : CNestedPage(context) {}

BOOL CSettingDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    const CWnd typeBox = GetDlgItem(IDC_PRINTER_TYPE);
    const std::wstring& baseName = context_.basePrinterName;
    typeBox.SendMessage(CB_ADDSTRING, 0, TextParam(baseName));
    Select(typeBox, settings->printerTypeIndex);
    GetDlgItem(IDC_PRINTER_NAME).SendMessage(WM_SETTEXT, 0, TextParam(baseName));
    settings->printerName = baseName;

    SetWindowText(Text(IDS_SETTINGS_TITLE).c_str());
    SetCaption(IDC_PRINTER_TYPE_LABEL, IDS_PRINTER_TYPE);
    SetCaption(IDC_PRINTER_GROUP, IDS_PRINTER_SETTINGS);
    SetCaption(IDC_SET_AS_DEFAULT, IDS_SET_AS_DEFAULT);
    SetCaption(IDC_PRINTER_NAME_LABEL, IDS_PRINTER_NAME);
    SetCaption(IDC_PORT_GROUP, IDS_PORT_SETTINGS);
    SetCaption(IDC_PORT_LABEL, IDS_PORTS);
    SetCaption(IDC_BAUD_RATE_LABEL, IDS_BAUD_RATE);
    SetCaption(IDC_BYTE_SIZE_LABEL, IDS_BYTE_SIZE);
    SetCaption(IDC_STOP_BITS_LABEL, IDS_STOP_BITS);
    SetCaption(IDC_FLOW_CONTROL_LABEL, IDS_FLOW_CONTROL);
    SetCaption(IDC_PARITY_LABEL, IDS_PARITY);
    SetCaption(IDC_SETTINGS_BACK, IDS_BACK);
    SetCaption(IDC_SETTINGS_OK, IDS_OK);
    SetCaption(IDC_SETTINGS_CANCEL, IDS_CANCEL);
    MarkFinishButton(IDC_SETTINGS_OK);

    // In the order of the parity and flow-control tables.
    AddItems(IDC_PARITY, {IDS_PARITY_NONE, IDS_PARITY_EVEN, IDS_PARITY_ODD, IDS_PARITY_SPACE, IDS_PARITY_MARK});
    AddItems(IDC_FLOW_CONTROL, {IDS_FLOW_NONE, IDS_FLOW_XON_XOFF, IDS_FLOW_HARDWARE});

    if (settings->setAsDefault) GetDlgItem(IDC_SET_AS_DEFAULT).SendMessage(BM_SETCHECK, BST_CHECKED);

    // The fixed ports, then the machine's own.
    const CWnd portBox = GetDlgItem(IDC_PORT);
    for (const PortEntry& port : context_.ports) portBox.SendMessage(CB_ADDSTRING, 0, TextParam(port.listText));

    // Selections set here notify nobody: no handler runs and no warning is shown.
    Select(portBox, settings->portIndex);
    Select(GetDlgItem(IDC_BAUD_RATE), settings->baudIndex);
    Select(GetDlgItem(IDC_STOP_BITS), settings->stopBitsIndex);
    Select(GetDlgItem(IDC_FLOW_CONTROL), settings->flowControlIndex);
    Select(GetDlgItem(IDC_BYTE_SIZE), settings->byteSizeIndex);
    Select(GetDlgItem(IDC_PARITY), settings->parityIndex);
    const auto port = ChosenPort(settings->portIndex, settings->portName);
    if (port && IsComPortName(*port)) EnableSerialBoxes(TRUE);
    return TRUE;
}

void CSettingDlg::OnDefaultPrinterClicked() {
    settings->setAsDefault = GetDlgItem(IDC_SET_AS_DEFAULT).SendMessage(BM_GETCHECK) == BST_CHECKED;
}

void CSettingDlg::OnPrinterTypeChanged() {
    const CWnd typeBox = GetDlgItem(IDC_PRINTER_TYPE);
    const std::int32_t selection = Selection(typeBox);
    if (selection != CB_ERR) {
        // The item is the base name, of any length: it is copied whole.
        const LRESULT length = typeBox.SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(selection));
        if (length != CB_ERR) {
            std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
            typeBox.SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(selection), reinterpret_cast<LPARAM>(text.data()));
            GetDlgItem(IDC_PRINTER_NAME).SendMessage(WM_SETTEXT, 0, TextParam(text));
        }
    }
    settings->printerTypeIndex = selection;
}

void CSettingDlg::OnPortChanged() {
    const std::int32_t selection = Selection(GetDlgItem(IDC_PORT));
    const PortChoice choice = ChoosePort(selection, context_.ports);
    if (choice.serialBoxes != PortChoice::SerialBoxes::Unchanged) {
        EnableSerialBoxes(choice.serialBoxes == PortChoice::SerialBoxes::Enable ? TRUE : FALSE);
    }
    if (choice.warnAboutUsb) AfxMessageBox(Text(IDS_USB_WARNING).c_str(), MB_OK);
    if (choice.store) {
        settings->portIndex = selection;
        settings->portName = choice.portName;
    }
}

void CSettingDlg::StoreSelection(int boxId, std::int32_t InstallSettings::*field) const {
    const CWnd box = GetDlgItem(boxId);
    if (!box) return;
    const std::int32_t selection = Selection(box);
    if (selection != CB_ERR) settings->*field = selection;
}

void CSettingDlg::EnableSerialBoxes(BOOL enable) const {
    for (const int box : kSerialBoxes) GetDlgItem(box).EnableWindow(enable);
}

void CSettingDlg::SetCaption(int controlId, UINT textId) const {
    GetDlgItem(controlId).SetWindowText(Text(textId).c_str());
}

void CSettingDlg::AddItems(int boxId, std::initializer_list<UINT> textIds) const {
    const CWnd box = GetDlgItem(boxId);
    for (const UINT id : textIds) box.SendMessage(CB_ADDSTRING, 0, TextParam(Text(id)));
}
