#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "core/install_system.h"

// The record file. It is replaced without ever opening the file of that name: the bytes
// go to a new file beside it, which then takes the name over. A hard or symbolic link
// planted under the name is replaced, never written through, and a write that fails
// leaves the earlier file as it was. Only while another program holds the file open, so
// that it cannot be replaced, is it written in place (a plain file with one name only,
// the bytes in one call). It is read, and deleted, as a plain file too.
class Win32Files final : public Files {
public:
    Outcome WriteFile(const std::wstring& path, std::string_view bytes) override;
    std::optional<std::string> ReadFile(const std::wstring& path, std::size_t limit, SystemError& error) override;
    SystemError RemoveFile(const std::wstring& path) override;
};
