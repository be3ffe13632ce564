#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "core/install_settings.h"
#include "res/resource_ids.h"

// The operating-system choices, each with the first page's radio button that shows it
// and the name /os: gives it, in the order of the choices: the record stores the row.
struct OsChoiceRow {
    OsChoice choice;
    int radioId;
    std::wstring_view optionName;
};

inline constexpr std::array<OsChoiceRow, 6> kOsChoices = {{
    {OsChoice::Windows2000, IDC_WINDOWS_2000, L"2000"},
    {OsChoice::WindowsXp, IDC_WINDOWS_XP, L"xp"},
    {OsChoice::Windows2003, IDC_WINDOWS_2003, L"2003"},
    {OsChoice::WindowsVista, IDC_WINDOWS_VISTA, L"vista"},
    {OsChoice::Windows7, IDC_WINDOWS_7, L"7"},
    {OsChoice::Windows8, IDC_WINDOWS_8, L"8"},
}};

// Every choice but "unrecognised" has its row, at its own value.
constexpr bool EveryChoiceAtItsRow() {
    for (std::size_t row = 0; row < kOsChoices.size(); ++row) {
        if (static_cast<std::size_t>(kOsChoices[row].choice) != row) return false;
    }
    return static_cast<std::size_t>(OsChoice::Windows8) + 1 == kOsChoices.size();
}
static_assert(EveryChoiceAtItsRow());

// The row that shows a choice; an unrecognised system shows the first one.
constexpr const OsChoiceRow& OsChoiceRowFor(OsChoice choice) {
    const auto row = static_cast<std::size_t>(choice);
    return row < kOsChoices.size() ? kOsChoices[row] : kOsChoices[0];
}
