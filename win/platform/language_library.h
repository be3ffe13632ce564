#pragma once

#include <windows.h>

#include <string>

#include "core/languages.h"

// Maps a resource library as data only: none of its code can run, and its texts can
// still be read with LoadStringW. Null when it cannot be loaded.
HMODULE LoadResourceLibrary(const wchar_t* path);

// The texts the pages show, from the chosen language's library. The library is loaded
// once and never freed: the pages read from it until the program ends.
class LanguageLibrary {
public:
    // No library: every text is the program's own English.
    LanguageLibrary() = default;
    explicit LanguageLibrary(HMODULE module) : module_(module) {}

    // The library of `language` from the program's own folder; without it, no library.
    static LanguageLibrary Load(const Language& language);

    HMODULE module() const { return module_; }

    // Text `id` of the library, else the program's own English text: no page ever shows
    // an empty caption or an empty list item.
    std::wstring Text(UINT id) const;

private:
    HMODULE module_ = nullptr;
};
