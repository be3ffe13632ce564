// Any text the system can hand over as a command line splits into one of the defined
// outcomes, and a recognised line yields values the installation can use as they are.

#include <string_view>

#include "core/command_line.h"
#include "core/languages.h"
#include "fuzz/fuzz_input.h"

namespace {

bool HasEdgeSpace(std::wstring_view text) {
    return !text.empty() && (text.front() == L' ' || text.back() == L' ');
}

// A control character, a quote, or a backslash that could come before a quote.
bool Breaks(wchar_t c) {
    return c < L' ' || c == L'"' || c == L'\\';
}

// What the printer-setup entry point reads, at an argument's start, as an option or a
// file of options.
bool IsOptionSign(wchar_t c) {
    return c == L'/' || c == L'-' || c == L'@';
}

bool IsPartOf(std::wstring_view part, std::wstring_view line) {
    return part.empty() || line.find(part) != std::wstring_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring line = Utf16Units(data, size);
    const CommandLine result = SplitCommandLine(line);

    using Outcome = CommandLine::Outcome;
    FUZZ_CHECK(result.outcome == Outcome::UnknownLanguage || result.outcome == Outcome::MissingArgument ||
               result.outcome == Outcome::RefusedArgument || result.outcome == Outcome::Complete);
    // Refused exactly when the check finds a character, and a complete line carries none.
    FUZZ_CHECK((result.outcome == Outcome::RefusedArgument) == result.refused.has_value());

    if (result.outcome == Outcome::UnknownLanguage) {
        // Nothing of an unrecognised line may leak into the run.
        FUZZ_CHECK(result.languageCode.empty());
        FUZZ_CHECK(result.basePrinterName.empty());
        FUZZ_CHECK(result.infBasePath.empty());
        return 0;
    }

    FUZZ_CHECK(result.languageIndex >= 0 && result.languageIndex < static_cast<std::int32_t>(kLanguages.size()));
    FUZZ_CHECK(result.languageCode == kLanguages[static_cast<std::size_t>(result.languageIndex)].code);

    FUZZ_CHECK(result.basePrinterName.find(L' ') == std::wstring::npos);
    FUZZ_CHECK(!HasEdgeSpace(result.infBasePath));
    // Both come out of the line itself, never from anywhere else.
    FUZZ_CHECK(IsPartOf(result.basePrinterName, line));
    FUZZ_CHECK(IsPartOf(result.infBasePath, line));
    if (result.outcome == Outcome::Complete || result.outcome == Outcome::RefusedArgument) {
        FUZZ_CHECK(!result.basePrinterName.empty());
        FUZZ_CHECK(!result.infBasePath.empty());
    }
    // A name the commands carry cannot end its quoted argument, begin another or read as an
    // option; a refused character is in the argument named, and one that could.
    if (result.outcome == Outcome::Complete) {
        FUZZ_CHECK(!IsOptionSign(result.basePrinterName.front()));
        for (const wchar_t c : result.basePrinterName) FUZZ_CHECK(!Breaks(c) && c != L',');
    }
    if (result.refused) {
        const bool base = result.refused->which == RefusedArgument::Which::BaseName;
        const std::wstring& argument = base ? result.basePrinterName : result.infBasePath;
        const wchar_t c = result.refused->character;
        FUZZ_CHECK(argument.find(c) != std::wstring::npos);
        if (result.refused->first) {
            // The first character, inside the quotes that may enclose a path.
            FUZZ_CHECK(IsOptionSign(c) && (argument.front() == c || (!base && argument.find(c) == 1)));
        } else {
            FUZZ_CHECK(Breaks(c) || (base && c == L','));
        }
    }
    return 0;
}
