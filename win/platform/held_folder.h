#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "win/platform/handles.h"

// A folder that a run with administrator rights works in while others may write there.
// Each folder on its path is opened from the root down, each relative to the one above
// and none through a link, and all stay open without delete sharing for as long as this
// lives: none can be renamed, or replaced by a link, meanwhile. Its files are created,
// opened, renamed and deleted relative to the held folder, never by a path that someone
// could redirect after it was checked.
class HeldFolder {
public:
    // Holds the folder `fullPath` ("C:\..." or "\\server\share\...", as FullPath gives
    // it). Null when it cannot: `error` holds the system's error (ERROR_PATH_NOT_FOUND
    // whenever a folder on the way does not exist), `why` the words for the log, naming
    // the folder.
    static std::unique_ptr<HeldFolder> Open(const std::wstring& fullPath, DWORD& error, std::wstring& why);

    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    // The held folder's own handle.
    HANDLE Handle() const { return chain_.back().get(); }

    // Opens `name` in this folder (a file name, no folder) as NtCreateFile does with
    // `disposition` (FILE_OPEN, FILE_CREATE, ...), never following a link at its end; a
    // new file gets `security` when given. Invalid, with the system's error, when it fails.
    UniqueFileHandle OpenFile(std::wstring_view name, ACCESS_MASK access, ULONG share, ULONG disposition, DWORD& error,
                              PSECURITY_DESCRIPTOR security = nullptr) const;
    // OpenFile, keeping only a plain file on a disk with one name (see IsPlainFile);
    // ERROR_ACCESS_DENIED for anything else.
    UniqueFileHandle OpenPlainFile(std::wstring_view name, ACCESS_MASK access, ULONG share, ULONG disposition,
                                   DWORD& error) const;
    // Gives the open file `file` (opened with DELETE access) the name `name` in this
    // folder, in place of the file of that name, if any.
    DWORD MoveOver(HANDLE file, std::wstring_view name) const;
    // Deletes `name` from this folder: a link as a link, never what it points to.
    DWORD Delete(std::wstring_view name) const;

private:
    HeldFolder() = default;

    std::wstring path_;
    std::vector<UniqueFileHandle> chain_;  // the root first, the folder itself last
};

// Deletes the file open as `file` (opened with DELETE access) once every handle to it is
// closed.
DWORD DeleteWhenClosed(HANDLE file);
