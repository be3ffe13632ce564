#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "win/platform/handles.h"

// Files that an administrator's or the system's run writes where others may have laid a
// trap: each must be a plain file on a disk, with one name, reached through no link.

// The full path of `path` (GetFullPathNameW: relative to the current directory); empty
// when it has none.
std::wstring FullPath(const std::wstring& path);

// Why a folder cannot be trusted: it is a link (a junction, a mount point or a symbolic
// link), or its attributes cannot be read (`error`).
std::wstring LinkedFolderWhy(const std::wstring& folder);
std::wstring UnreadableFolderWhy(const std::wstring& folder, DWORD error);

// Why the folders on the full path `fullPath` cannot be trusted: the first, from its root
// down, that is a junction, a mount point or a symbolic link, or whose attributes cannot
// be read; nothing when there is none (a folder that does not exist ends the search:
// nothing below it can be one).
std::optional<std::wstring> UntrustedFolder(const std::wstring& fullPath);

// Whether the open `file` is a plain file on a disk with one name: not a link, a folder,
// a pipe or a device, and no hard link beside it.
bool IsPlainFile(HANDLE file);

// Opens `fullPath` without following a link at its end and without letting a pipe's
// server act as this process (identification only); the handle only when what opened
// is a plain file on a disk with one name. Otherwise nothing is kept open and `error`
// holds the system's error (ERROR_ACCESS_DENIED for a link, a folder or a device).
UniqueFileHandle OpenPlainFile(const std::wstring& fullPath, DWORD access, DWORD share, DWORD disposition,
                               DWORD& error);

// The owner of the open file `file` as a SID string ("S-1-5-32-544"); empty, with the
// system's error in `error`, when it cannot be read.
std::wstring FileOwner(HANDLE file, DWORD& error);
