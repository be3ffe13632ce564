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
// point, say), or, at its start, make the argument an option itself.
struct RefusedArgument {
    enum class Which { BaseName, InfPath };

    Which which = Which::BaseName;
    wchar_t character = 0;
    bool first = false;  // refused as the argument's first character only

    friend bool operator==(const RefusedArgument&, const RefusedArgument&) = default;
};

// What the program's command line says: <program> <language> <base name> <INF path>.
struct CommandLine {
    enum class Outcome {
        UnknownLanguage,  // not one of the three codes: the run ends silently
        MissingArgument,  // a known code, but no base name or no path (or only "")
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
// the whole path, with no '\' before the closing one. Neither may begin with '/', '-' or
// '@' (the path inside its quotes), which the printer-setup entry point reads as the
// start of an option or of a file of options.
std::optional<RefusedArgument> CheckArguments(std::wstring_view basePrinterName, std::wstring_view infBasePath);

// The debugger line that says why the arguments were refused.
std::wstring RefusalMessage(const RefusedArgument& refused);

// What follows the program path, as Windows itself reads the line. A line that starts
// with a quote names the program up to the next quote (without one, it is all program
// path), and the one space after that quote separates it from the rest. A line typed
// without quotes (at a command prompt, in a batch file, by a deployment agent) names the
// program up to its first space or tab, which separates it from the rest.
std::wstring_view ArgumentsAfterProgram(std::wstring_view line);

// Splits what follows the program path: <language> <base name> <INF path>. Positions are
// code units; only U+0020 counts as a space.
CommandLine SplitArguments(std::wstring_view arguments);

// Splits the full command line as the system hands it over (program path included).
CommandLine SplitCommandLine(std::wstring_view line);
