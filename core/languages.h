#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// The interface languages: the code the command line names and the library that holds
// the pages' texts in that language. A new language is one row here, one entry in
// KESTRIN_LANGUAGES (CMakeLists.txt) and one resource script, res/lang/rc_<code>.rc.
struct Language {
    std::int32_t index;  // languageIndex
    std::wstring_view code;
    std::wstring_view libraryFile;
};

inline constexpr std::array<Language, 3> kLanguages = {{
    {0, L"eng", L"rc_eng.dll"},
    {1, L"chi", L"rc_chi.dll"},
    {2, L"esp", L"rc_esp.dll"},
}};

// The language a code names (compared whole and case-sensitively), or null.
constexpr const Language* FindLanguage(std::wstring_view code) {
    for (const Language& language : kLanguages) {
        if (language.code == code) return &language;
    }
    return nullptr;
}
