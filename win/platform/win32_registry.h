#pragma once

#include <string>

#include "core/install_system.h"

// HKEY_LOCAL_MACHINE in the system's own view: the 32-bit program on 64-bit Windows
// (run there only when the 64-bit one is missing) writes where the system's own 64-bit
// programs, Active Setup among them, read.
class Win32Registry final : public Registry {
public:
    SystemError SetString(const std::wstring& key, const std::wstring& name, const std::wstring& value,
                          bool expandable) override;
    SystemError SetNumber(const std::wstring& key, const std::wstring& name, std::uint32_t value) override;
    SystemError DeleteKey(const std::wstring& key) override;
};
