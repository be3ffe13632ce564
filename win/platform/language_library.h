#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

// By language index: 0 English, 1 Chinese, 2 Spanish.
inline constexpr std::array<const wchar_t*, 3> kLanguageLibraryNames = {L"rc_eng.dll", L"rc_chi.dll", L"rc_esp.dll"};

// Maps a resource library as data only: none of its code can run, and its texts can
// still be read with LoadStringW. Null when it cannot be loaded.
HMODULE LoadResourceLibrary(const wchar_t* path);

// The language library for `languageIndex`, from the program's own folder, else by
// its bare name from the system's usual search. Null when there is none.
HMODULE LoadLanguageLibrary(std::int32_t languageIndex);

// Text `id` of the language library, else the program's own English text: no page
// ever shows an empty caption or an empty list.
std::wstring LanguageText(UINT id);
