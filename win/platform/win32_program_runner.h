#pragma once

#include <string>

#include "core/install_system.h"

// Starts a program of the system directory directly, without a command interpreter:
// nothing in the command line (a printer name with & or |, say) is ever taken as
// another command, and the text reaches the program wide and unchanged.
class Win32ProgramRunner final : public ProgramRunner {
public:
    bool RunSystemProgram(const std::wstring& program, const std::wstring& commandLine) override;
};
