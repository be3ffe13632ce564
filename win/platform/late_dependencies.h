#pragma once

#include <string>
#include <vector>

// What LoadLateDependencies did.
struct LateDependencies {
    std::vector<std::wstring> loaded;     // full paths in the system directory, in the order loaded
    std::vector<std::wstring> notLoaded;  // file names in the system directory that would not load

    // The one debugger line for libraries that would not load; empty when all did.
    std::wstring NotLoadedLine() const;
};

// Where the library search cannot be restricted to the system directory (RestrictLibrarySearch
// says so), a library that the printer-setup library or the spooler's client loads late, by
// bare name (a delay-loaded one, or one of those a library they load needs), would still be
// looked for beside the program first: often an administrator's download folder. This loads
// them all now, by their full path in the system directory, and keeps them loaded for the
// run, so that a later load by name finds the one already loaded.
//
// Which they are, the import and delay-import tables of printui.dll and winspool.drv in the
// system directory say, and those of each library they name, and so on. Left out are the
// system's known libraries (the KnownDLLs key), which it always takes from its own folder,
// API sets, which are no files, and names of no file in the system directory. printui.dll
// and winspool.drv themselves are not loaded here.
LateDependencies LoadLateDependencies();
