#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The only characters the command line rule counts as a space and as a quote.
inline constexpr wchar_t kSpace = L' ';
inline constexpr wchar_t kQuote = L'"';

// A character of the base name or INF path that the printer-setup commands cannot carry:
// it would end the argument, or begin another (an option of the printer-setup entry
// point, say).
struct RefusedArgument {
    enum class Which { BaseName, InfPath };

    Which which = Which::BaseName;
    wchar_t character = 0;

    friend bool operator==(const RefusedArgument&, const RefusedArgument&) = default;
};

// What the program's command line says: "<program>" <language> <base name> <INF path>.
struct CommandLine {
    enum class Outcome {
        UnknownLanguage,  // not one of the three codes: the run ends silently
        MissingArgument,  // a known code, but no base name or no path
        RefusedArgument,  // name and path given, but one holds a character in `refused`
        Complete,
    };

    Outcome outcome = Outcome::UnknownLanguage;
    std::wstring languageCode;
    std::int32_t languageIndex = 0;  // the row of kLanguages
    std::wstring basePrinterName;
    std::wstring infBasePath;
    std::optional<RefusedArgument> refused;
};

// The first character that keeps the base name or the INF path out of the printer-setup
// commands, or nothing. A base name may hold no '"', '\', ',' and no character below
// U+0020. An INF path may hold no character below U+0020, and '"' only as one pair around
// the whole path, with no '\' before the closing one.
std::optional<RefusedArgument> CheckArguments(std::wstring_view basePrinterName, std::wstring_view infBasePath);

// The debugger line that says why the arguments were refused.
std::wstring RefusalMessage(const RefusedArgument& refused);

// The position of the quote that closes the program path (position 0 holds the opening
// one), or npos when there is none.
std::size_t ClosingQuoteOfProgram(std::wstring_view line);

// Splits the full command line as the system hands it over (program path included).
// Positions are code units; only U+0020 counts as a space.
CommandLine SplitCommandLine(std::wstring_view line);
