#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "core/install_system.h"
#include "win/platform/child_process.h"
#include "win/platform/critical_section.h"

// Starts a program of the system directory directly, without a command interpreter:
// nothing in the command line (a printer name with & or |, say) is ever taken as
// another command, and the text reaches the program wide and unchanged. The program,
// and whatever it starts, run in a job that ends with this process (see ChildProcess).
class Win32ProgramRunner final : public ProgramRunner {
public:
    bool RunSystemProgram(const std::wstring& program, const std::wstring& commandLine, SystemFolder folder) override;

    // Ends the program that runs now, if one does, from any thread.
    void EndRunningProgram(UINT exitCode);

private:
    CriticalSection lock_;
    std::shared_ptr<ChildProcess> running_;
};
