#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "core/run_log.h"
#include "win/platform/handles.h"
#include "win/platform/held_folder.h"

// The log file of a run: each line is appended in UTF-8 with the local time in front.
class Win32LogFile final : public LogFile {
public:
    // Opens the file `name` in the held `folder` for appending, creating it when it does
    // not exist. Null, with the system's error code in `error`, when it cannot be opened,
    // or when it is not a plain file on a disk with one name (a link, a folder, a pipe, a
    // device): an administrator's run must not write into a file some other user pointed
    // it at.
    static std::unique_ptr<Win32LogFile> Open(const HeldFolder& folder, const std::wstring& name, DWORD& error);
    void Append(const std::wstring& line) override;

private:
    explicit Win32LogFile(UniqueFileHandle file);

    UniqueFileHandle file_;
};
