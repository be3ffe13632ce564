#pragma once

#include <cstdint>
#include <string>

#include "core/install_system.h"
#include "core/serial_settings.h"

// Far more than any serial or modem provider keeps behind the record; a port asking for
// more is answering nonsense.
inline constexpr std::uint32_t kMaxCommConfigSize = 64 * 1024;

// Writes the port's default line settings; 0 on success, else the platform's error code.
// Out-of-range values are clamped; an unknown flow-control mode leaves the handshake as read.
// A read that supplies less than the record fails with kErrorInvalidData, nothing written.
std::uint32_t ConfigureSerialPort(CommConfigStore& store, const SerialSettings& settings, const std::wstring& portName);
