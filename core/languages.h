#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The interface languages, by the code the command line names. A language's position in
// the table is its languageIndex, and its texts are in the library rc_<code>.dll. A new
// language is one row here, one entry in KESTRIN_LANGUAGES (CMakeLists.txt) and one
// resource script, res/lang/rc_<code>.rc.
struct Language {
    std::wstring_view code;

    // The resource library that holds the pages' texts in this language.
    std::wstring LibraryFile() const { return L"rc_" + std::wstring(code) + L".dll"; }
};

inline constexpr std::array<Language, 3> kLanguages = {{{L"eng"}, {L"chi"}, {L"esp"}}};

// The language a code names (compared whole and case-sensitively), or null.
constexpr const Language* FindLanguage(std::wstring_view code) {
    for (const Language& language : kLanguages) {
        if (language.code == code) return &language;
    }
    return nullptr;
}

constexpr std::int32_t LanguageIndex(const Language& language) {
    return static_cast<std::int32_t>(&language - kLanguages.data());
}
