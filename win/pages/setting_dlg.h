#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>

#include "res/resource_ids.h"
#include "win/pages/wizard_page.h"

// The wizard's second page: default printer, printer name, port and serial line values.
// Every choice goes into the record the moment it is made.
class CSettingDlg : public CNestedPage<CSettingDlg> {
public:
    static constexpr UINT IDD = IDD_SETTINGS_PAGE;

    explicit CSettingDlg(const PageContext& context);
    ~CSettingDlg() override = default;

    static const CRuntimeClass classCSettingDlg;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCSettingDlg; }

    static const MessageMapEntry<CSettingDlg> messageMap[];

protected:
    BOOL OnInitDialog() override;

private:
    void OnDefaultPrinterClicked();
    void OnPrinterTypeChanged();
    void OnPrinterNameChanged() {}
    void OnPortChanged();
    void OnByteSizeChanged() { StoreSelection(IDC_BYTE_SIZE, &InstallSettings::byteSizeIndex); }
    void OnBaudRateChanged() { StoreSelection(IDC_BAUD_RATE, &InstallSettings::baudIndex); }
    void OnStopBitsChanged() { StoreSelection(IDC_STOP_BITS, &InstallSettings::stopBitsIndex); }
    void OnFlowControlChanged() { StoreSelection(IDC_FLOW_CONTROL, &InstallSettings::flowControlIndex); }
    void OnParityChanged() { StoreSelection(IDC_PARITY, &InstallSettings::parityIndex); }

    void StoreSelection(int boxId, std::int32_t InstallSettings::*field) const;
    void EnableSerialBoxes(BOOL enable) const;
    void SetCaption(int controlId, UINT textId) const;
    void AddItems(int boxId, std::initializer_list<UINT> textIds) const;
};

// The first entry that matches a message handles it.
inline const MessageMapEntry<CSettingDlg> CSettingDlg::messageMap[] = {
    OnMessage(WM_SYSCOMMAND, &CSettingDlg::OnSysCommand),
    OnCommand(BN_CLICKED, IDC_SET_AS_DEFAULT, &CSettingDlg::OnDefaultPrinterClicked),
    OnCommand(CBN_SELCHANGE, IDC_PRINTER_TYPE, &CSettingDlg::OnPrinterTypeChanged),
    OnCommand(EN_CHANGE, IDC_PRINTER_NAME, &CSettingDlg::OnPrinterNameChanged),
    OnCommand(BN_CLICKED, IDC_SETTINGS_BACK, &CSettingDlg::EndWith<PAGE_BACK>),
    OnCommand(BN_CLICKED, IDC_SETTINGS_CANCEL, &CSettingDlg::EndWith<WIZARD_CANCEL>),
    OnCommand(BN_CLICKED, IDC_SETTINGS_OK, &CSettingDlg::Finish<PAGE_NEXT>),
    OnCommand(CBN_SELCHANGE, IDC_BYTE_SIZE, &CSettingDlg::OnByteSizeChanged),
    OnCommand(CBN_SELCHANGE, IDC_PORT, &CSettingDlg::OnPortChanged),
    OnCommand(CBN_SELCHANGE, IDC_BAUD_RATE, &CSettingDlg::OnBaudRateChanged),
    OnCommand(CBN_SELCHANGE, IDC_STOP_BITS, &CSettingDlg::OnStopBitsChanged),
    OnCommand(CBN_SELCHANGE, IDC_FLOW_CONTROL, &CSettingDlg::OnFlowControlChanged),
    OnCommand(CBN_SELCHANGE, IDC_PARITY, &CSettingDlg::OnParityChanged),
};
