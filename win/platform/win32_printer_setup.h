#pragma once

#include <memory>

#include "core/install_system.h"

// printui.dll, taken from the system directory only: the installer runs with
// administrator rights, and a library of that name beside it or in the current
// directory must never be the one that runs.
class Win32PrinterSetup final : public PrinterSetup {
public:
    std::unique_ptr<PrinterSetupLibrary> Load() override;
};
