#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "core/install_system.h"

// Writes whole files in the current directory without ever opening the file of that
// name: the bytes go to a new file beside it, which then takes the name over. A hard or
// symbolic link planted under the name is replaced, never written through, and a write
// that fails leaves the earlier file as it was. Only while another program holds the
// file open, so that it cannot be replaced, is it written in place (a plain file with
// one name only, the bytes in one call).
class Win32FileWriter final : public FileWriter {
public:
    Result WriteFile(const std::string& name, std::string_view bytes) override;

    // The system's error of the last write that did not succeed.
    DWORD LastError() const { return lastError_; }

private:
    DWORD lastError_ = ERROR_SUCCESS;
};
