#pragma once

#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The libraries a program or library file (PE, 32- or 64-bit) names in its import table
// and then in its delay-import table, each in the order its table lists it, and each
// library once (names compared without regard to ASCII case; the first spelling stays).
// Any bytes make a list: every offset and every name is checked against the buffer, and
// what cannot be read is left out, so a damaged or truncated file gives what could be
// read of it, or nothing.
std::vector<std::string> ImportedLibraries(std::span<const std::uint8_t> file);

// The file to load from the system directory, in lower case, for a library an import
// table names; empty when there is none: an API set (api-ms-*, ext-ms-*), which names no
// file; one of `knownLibraries` (lower case file names), which the system takes from its
// own folder whatever the search; and anything but a plain file name (a folder, a drive,
// a stream, characters outside printable ASCII). A name without an extension is a
// ".dll", as the loader reads it.
std::string SystemLibraryToLoad(std::string_view importedName, const std::set<std::string>& knownLibraries);
