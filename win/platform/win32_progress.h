#pragma once

#include <windows.h>

#include <string>

#include "core/install_system.h"

// What an installation or removal is doing now, readable from another thread (the time
// limit's).
class Win32Progress final : public Progress {
public:
    Win32Progress();
    ~Win32Progress() override;
    Win32Progress(const Win32Progress&) = delete;
    Win32Progress& operator=(const Win32Progress&) = delete;

    void Enter(RunStep step) override;
    void Printer(const std::wstring& name) override;

    RunStep Step();
    std::wstring PrinterName();

private:
    CRITICAL_SECTION lock_{};
    RunStep step_ = RunStep::Starting;
    std::wstring printer_;
};
