#pragma once

#include <string>
#include <string_view>

#include "core/install_system.h"

// Writes whole files in the current directory without ever opening the file of that
// name: the bytes go to a new file beside it, which then takes the name over. A hard or
// symbolic link planted under the name is replaced, never written through, and a write
// that fails leaves the earlier file as it was.
class Win32FileWriter final : public FileWriter {
public:
    Result WriteFile(const std::string& name, std::string_view bytes) override;
};
