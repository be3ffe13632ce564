#pragma once

#include <cstdint>
#include <string>

// The operating system the driver is installed for, in the order of the first page's
// radio buttons; the record stores these numbers.
enum class OsChoice : std::int32_t {
    Unrecognised = -1,
    Windows2000 = 0,
    WindowsXp = 1,
    Windows2003 = 2,
    WindowsVista = 3,
    Windows7 = 4,
    Windows8 = 5,
};

// The user's choices, collected by the wizard pages and read by the installation.
// Every page writes straight into the one record; nothing is validated here.
struct InstallSettings {
    OsChoice osIndex = OsChoice::Windows2000;
    std::int32_t reservedValue = 0;  // no meaning; reset by the operating-system page
    bool setAsDefault = true;
    std::int32_t printerTypeIndex = 0;  // may hold -1 (no selection)
    std::wstring printerName;           // what the settings page shows; never used to install
    std::wstring reservedText;          // no meaning; stays empty
    std::int32_t portIndex = 0;      // the settings page's list: 0-7 the fixed ports (kFixedPorts), then the machine's
    std::wstring portName;           // the chosen port's spooler name; empty: the fixed port at portIndex
    std::int32_t baudIndex = 5;      // 19200 baud
    std::int32_t stopBitsIndex = 0;  // one stop bit
    std::int32_t flowControlIndex = 2;  // hardware handshake
    std::int32_t byteSizeIndex = 3;     // 8 data bits
    std::int32_t parityIndex = 0;       // no parity
    bool printTestPage = false;
};
