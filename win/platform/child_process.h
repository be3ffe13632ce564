#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "win/platform/handles.h"

// A program this one starts and waits for, in a job that ends it and everything it
// starts in turn: when this process ends, however it ends, or when Terminate is called.
// Where the child cannot be put in a job (this process already in one, before Windows 8,
// which knows no nested jobs), it runs alone, and Terminate ends it alone.
class ChildProcess {
public:
    // Starts `commandLine` with `program` (a full path) in `directory` (null: this
    // process's own). Null, with the system's error in `error`, when it cannot be started.
    static std::unique_ptr<ChildProcess> Start(const std::wstring& program, const std::wstring& commandLine,
                                               const wchar_t* directory, DWORD& error);

    // Waits for the child to end; its exit code, or nothing when it did not end in time
    // or its code could not be read.
    std::optional<DWORD> Wait(DWORD milliseconds);

    // Ends the child (and, in its job, everything it started) with `exitCode`.
    void Terminate(UINT exitCode) const;

    bool InJob() const { return static_cast<bool>(job_); }

private:
    ChildProcess(UniqueProcessHandle process, UniqueProcessHandle job)
        : process_(std::move(process)), job_(std::move(job)) {}

    UniqueProcessHandle process_;
    UniqueProcessHandle job_;
};
