#include "win/platform/win32_progress.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

DWORD WINAPI EnterTheNextStep(LPVOID progress) {
    static_cast<Win32Progress*>(progress)->Enter(RunStep::DriverInstallation);
    return 0;
}

// Cancel asks for the wait; a run not there yet, or past it, must go on.
TEST(Win32Progress, FreezesOnlyInTheStepAskedFor) {
    for (const RunStep current : {RunStep::WaitingForAnotherInstallation, RunStep::Starting, RunStep::NameSearch}) {
        const bool waiting = current == RunStep::WaitingForAnotherInstallation;
        Win32Progress progress;
        progress.Enter(current);
        EXPECT_EQ(progress.FreezeIf(RunStep::WaitingForAnotherInstallation), waiting);
        // The run's thread takes its next step, or waits there for the process to end.
        const HANDLE thread = ::CreateThread(nullptr, 0, EnterTheNextStep, &progress, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        const bool ended = ::WaitForSingleObject(thread, 500) == WAIT_OBJECT_0;
        EXPECT_EQ(ended, !waiting) << static_cast<int>(current);
        EXPECT_EQ(progress.Step(), waiting ? current : RunStep::DriverInstallation);
        if (!ended) ::TerminateThread(thread, 0);  // asleep for good, holding nothing
        ::CloseHandle(thread);
    }
}

}  // namespace
