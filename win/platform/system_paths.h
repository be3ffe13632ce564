#pragma once

#include <string>

#include "win/platform/handles.h"

// The system directory (GetSystemDirectoryW), without a trailing backslash. A 32-bit
// program on 64-bit Windows gets the name of the 64-bit folder, which the system maps
// to its 32-bit one when files in it are opened or started.
std::wstring SystemDirectory();

// `fileName` in the system directory; empty when the system directory is unknown.
std::wstring SystemFilePath(const std::wstring& fileName);

// This program's full path, and the folder it is in (with a trailing backslash).
std::wstring ThisProgramPath();
std::wstring ThisProgramFolder();

// Whether `path` names a file (not a folder), or a folder.
bool IsFile(const std::wstring& path);
bool IsFolder(const std::wstring& path);

// The current directory.
std::wstring CurrentDirectory();

// Restricts the search for libraries loaded by bare name (by us, or later by the
// system's own libraries) to the system directory, so that a DLL left beside the program
// or in a download folder is never picked up. Where the system cannot (before Vista and
// 7 with the update that brought SetDefaultDllDirectories), at least the current
// directory is taken out of the search, and the program's own folder stays in it: then
// it returns false. Start-up calls this before anything else.
bool RestrictLibrarySearch();

// Registers the window classes of the common controls, which the pages' dialogs need on
// XP once the manifest asks for the controls of version 6. comctl32.dll is loaded by
// name (after RestrictLibrarySearch), so that the version the manifest names loads, and
// stays loaded. False when it cannot be.
bool InitCommonControls();

// Loads a library of the system by its full path in the system directory; the libraries
// it depends on are looked for there too (LOAD_LIBRARY_SEARCH_SYSTEM32 where the system
// knows it, else from the library's own folder first). Null when it cannot be loaded.
UniqueModule LoadSystemLibrary(const std::wstring& fileName);

// The system's kernel32.dll, always loaded: where functions newer than Windows XP are
// looked up at run time.
HMODULE Kernel32();
