#pragma once

#include "core/install_system.h"

// A COM port's default configuration as the system keeps it
// (GetDefaultCommConfigW / SetDefaultCommConfigW).
class Win32CommConfigStore final : public CommConfigStore {
public:
    bool GetDefaultConfig(const std::wstring& portName, std::span<std::byte> config, std::uint32_t& size) override;
    bool SetDefaultConfig(const std::wstring& portName, std::span<const std::byte> config, std::uint32_t size) override;
    std::uint32_t LastError() override;
};
