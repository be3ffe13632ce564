#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What the program's command line says: "<program>" <language> <base name> <INF path>.
struct CommandLine {
    enum class Outcome {
        UnknownLanguage,  // not one of the three codes: the run ends silently
        MissingArgument,  // a known code, but no base name or no path
        Complete,
    };

    Outcome outcome = Outcome::UnknownLanguage;
    std::wstring languageCode;
    std::int32_t languageIndex = 0;  // 0 eng, 1 chi, 2 esp
    std::wstring basePrinterName;
    std::wstring infBasePath;
};

// Splits the full command line as the system hands it over (program path included).
// Positions are code units; only U+0020 counts as a space.
CommandLine SplitCommandLine(std::wstring_view line);
