#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "core/run_log.h"
#include "win/platform/handles.h"

// The log file of an unattended installation: each line is appended in UTF-8 with the
// local time in front.
class Win32LogFile final : public LogFile {
public:
    // Opens `path` for appending, creating it when it does not exist. Null, with the
    // system's error code in `error`, when it cannot be opened, or when it is a link (a
    // symbolic link, or a file with more than one name) or a folder: an administrator's
    // run must not write into a file some other user pointed it at.
    static std::unique_ptr<Win32LogFile> Open(const std::wstring& path, DWORD& error);

    void Append(const std::wstring& line) override;

private:
    explicit Win32LogFile(UniqueFileHandle file) : file_(std::move(file)) {}

    UniqueFileHandle file_;
};
