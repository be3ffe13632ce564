#pragma once

#include <string>

#include "core/install_system.h"
#include "win/platform/critical_section.h"

// What an installation or removal is doing now, readable from another thread (the time
// limit's, the progress window's).
class Win32Progress final : public Progress {
public:
    void Enter(RunStep step) override;
    void Printer(const std::wstring& name) override;

    // From now on the run's thread, at its next step, waits for the process to end: the
    // step and the printer read afterwards stay what they are.
    void Freeze();
    // Freezes as Freeze does, but only while the run is in `step`, decided under the same
    // lock as the step's change: true when it froze. A run that has just left the step
    // goes on untouched.
    bool FreezeIf(RunStep step);

    RunStep Step();
    std::wstring PrinterName();

private:
    CriticalSection lock_;
    RunStep step_ = RunStep::Starting;
    std::wstring printer_;
    bool frozen_ = false;
};
