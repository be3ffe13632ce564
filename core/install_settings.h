#pragma once

#include <cstdint>
#include <string>

// The user's choices, collected by the wizard pages and read by the installation.
// Every page writes straight into the one record; nothing is validated here.
struct InstallSettings {
    std::int32_t osIndex = 0;        // 0 Windows 2000 ... 5 Windows 8, -1 unrecognised
    std::int32_t reservedValue = 0;  // no meaning; reset by the operating-system page
    bool setAsDefault = true;
    std::int32_t printerTypeIndex = 0;  // may hold -1 (no selection)
    std::wstring printerName;           // what the settings page shows; never used to install
    std::wstring reservedText;          // no meaning; stays empty
    std::int32_t portIndex = 0;         // into PortNameTable
    std::int32_t baudIndex = 5;         // 19200 baud
    std::int32_t stopBitsIndex = 0;     // one stop bit
    std::int32_t flowControlIndex = 2;  // hardware handshake
    std::int32_t byteSizeIndex = 3;     // 8 data bits
    std::int32_t parityIndex = 0;       // no parity
    bool printTestPage = false;
};
