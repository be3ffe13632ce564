#include "win/platform/win32_progress.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

struct FreezeCase {
    RunStep current;
    RunStep asked;
    bool freezes;
};

// Cancel asks for the wait; a run past it, or not yet there, must go on.
const FreezeCase kFreezeCases[] = {
    {RunStep::WaitingForAnotherInstallation, RunStep::WaitingForAnotherInstallation, true},
    {RunStep::Starting, RunStep::WaitingForAnotherInstallation, false},
    {RunStep::NameSearch, RunStep::WaitingForAnotherInstallation, false},
    {RunStep::RecordReading, RunStep::WaitingForAnotherInstallation, false},
};

DWORD WINAPI EnterTheNextStep(LPVOID argument) {
    static_cast<Win32Progress*>(argument)->Enter(RunStep::DriverInstallation);
    return 0;
}

TEST(Win32Progress, FreezesOnlyInTheStepAskedFor) {
    for (const FreezeCase& c : kFreezeCases) {
        Win32Progress progress;
        progress.Enter(c.current);
        EXPECT_EQ(progress.FreezeIf(c.asked), c.freezes) << static_cast<int>(c.current);
        // The run's thread takes its next step, or waits there for the process to end.
        const HANDLE thread = ::CreateThread(nullptr, 0, EnterTheNextStep, &progress, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        const bool ended = ::WaitForSingleObject(thread, 500) == WAIT_OBJECT_0;
        EXPECT_EQ(ended, !c.freezes) << static_cast<int>(c.current);
        EXPECT_EQ(progress.Step(), c.freezes ? c.current : RunStep::DriverInstallation);
        if (!ended) ::TerminateThread(thread, 0);  // asleep for good, holding nothing
        ::CloseHandle(thread);
    }
}

}  // namespace
