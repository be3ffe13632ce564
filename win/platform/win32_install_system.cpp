#include "win/platform/win32_install_system.h"

#include <windows.h>

#include "win/platform/elevation.h"
#include "win/platform/os_detection.h"
#include "win/platform/usb_printer_ports.h"

void Win32DebugOutput::Write(const std::wstring& message) {
    ::OutputDebugStringW(message.c_str());
}

std::uint16_t Win32SystemInfo::NativeProcessorArchitecture() {
    return ::NativeProcessorArchitecture();
}

std::vector<UsbPrinterPort> Win32SystemInfo::UsbPrinterPorts() {
    return PresentUsbPrinterPorts();
}

bool Win32SystemInfo::RunsAsSystemAccount() {
    return ::RunsAsSystemAccount();
}

InstallSystem Win32InstallSystem::Get() {
    return {printerSetup_, spooler_, systemInfo_, programRunner_, debug_,   files_,
            commConfig_,   lock_,    progress_,   clock_,         registry_};
}
