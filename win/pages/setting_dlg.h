#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>

#include "app/install_settings.h"
#include "platform/framework/dialog.h"
#include "platform/framework/message_map.h"
#include "res/resource_ids.h"

// The wizard's second page: default printer, printer name, port and serial line values.
// Every choice goes into the record the moment it is made.
class CSettingDlg : public CDialog {
public:
    CSettingDlg();
    ~CSettingDlg() override = default;

    static const CRuntimeClass classCSettingDlg;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCSettingDlg; }

    InstallSettings* settings = nullptr;  // not owned

protected:
    bool DispatchMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;

private:
    LRESULT OnSysCommand(WPARAM command, LPARAM);
    void OnDefaultPrinterClicked();
    void OnPrinterTypeChanged();
    void OnPrinterNameChanged() {}
    void OnBack();
    void OnCancelButton();
    void OnOkButton();
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

    static const MessageMapEntry<CSettingDlg> messageMap[];
};
