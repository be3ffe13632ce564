#include "core/command_line.h"

#include "core/languages.h"

namespace {

std::wstring_view TrimSpaces(std::wstring_view text) {
    const auto first = text.find_first_not_of(kSpace);
    if (first == std::wstring_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// The text from `from` up to (not including) `to`, or to the end when `to` is npos.
std::wstring_view Slice(std::wstring_view text, std::size_t from, std::size_t to) {
    if (from >= text.size()) return {};
    return text.substr(from, to == std::wstring_view::npos ? std::wstring_view::npos : to - from);
}

// A path as the printer-setup entry point gets it: without the one pair of quotes that
// may enclose it.
std::wstring_view WithoutEnclosingQuotes(std::wstring_view path) {
    const bool enclosed = path.size() >= 2 && path.front() == kQuote && path.back() == kQuote;
    return enclosed ? path.substr(1, path.size() - 2) : path;
}

bool StartsAnOption(wchar_t c) {
    return c == L'/' || c == L'-' || c == L'@';
}

}  // namespace

std::wstring_view ArgumentsAfterProgram(std::wstring_view line) {
    if (!line.empty() && line.front() == kQuote) {
        const std::size_t closing = line.find(kQuote, 1);
        if (closing == std::wstring_view::npos) return {};
        std::wstring_view rest = line.substr(closing + 1);
        if (!rest.empty() && rest.front() == kSpace) rest.remove_prefix(1);
        return rest;
    }
    const std::size_t separator = line.find_first_of(L" \t");
    return separator == std::wstring_view::npos ? std::wstring_view{} : line.substr(separator + 1);
}

CommandLine SplitCommandLine(std::wstring_view line) {
    return SplitArguments(ArgumentsAfterProgram(line));
}

CommandLine SplitArguments(std::wstring_view arguments) {
    CommandLine result;

    const std::size_t firstSpace = arguments.find(kSpace);
    const std::wstring_view code = Slice(arguments, 0, firstSpace);
    const Language* const language = FindLanguage(code);
    if (language == nullptr) return result;

    result.languageCode = code;
    result.languageIndex = LanguageIndex(*language);
    if (firstSpace == std::wstring_view::npos) {
        result.outcome = CommandLine::Outcome::MissingArgument;
        return result;
    }

    const std::size_t secondSpace = arguments.find(kSpace, firstSpace + 1);
    result.basePrinterName = TrimSpaces(Slice(arguments, firstSpace, secondSpace));
    if (secondSpace != std::wstring_view::npos) {
        result.infBasePath = TrimSpaces(Slice(arguments, secondSpace, std::wstring_view::npos));
    }

    // A path of nothing but a pair of quotes names no file.
    const bool complete = secondSpace != std::wstring_view::npos && !result.basePrinterName.empty() &&
                          !WithoutEnclosingQuotes(result.infBasePath).empty();
    if (!complete) {
        result.outcome = CommandLine::Outcome::MissingArgument;
        return result;
    }
    result.refused = CheckArguments(result.basePrinterName, result.infBasePath);
    result.outcome = result.refused ? CommandLine::Outcome::RefusedArgument : CommandLine::Outcome::Complete;
    return result;
}

std::optional<RefusedArgument> CheckArguments(std::wstring_view basePrinterName, std::wstring_view infBasePath) {
    using Which = RefusedArgument::Which;
    if (!basePrinterName.empty() && StartsAnOption(basePrinterName.front())) {
        return RefusedArgument{Which::BaseName, basePrinterName.front(), true};
    }
    for (const wchar_t c : basePrinterName) {
        // A quote or a backslash before the closing quote would end the quoted name; a
        // comma separates arguments for the printer-setup entry point.
        if (c < L' ' || c == kQuote || c == L'\\' || c == L',') return RefusedArgument{Which::BaseName, c};
    }
    for (const wchar_t c : infBasePath) {
        if (c < L' ') return RefusedArgument{Which::InfPath, c};
    }
    // Quotes are the caller's only as one pair around the whole path; a backslash right
    // before the closing one would turn it into a literal quote.
    const std::wstring_view inside = WithoutEnclosingQuotes(infBasePath);
    const bool enclosed = inside.size() != infBasePath.size();
    if (inside.find(kQuote) != std::wstring_view::npos) return RefusedArgument{Which::InfPath, kQuote};
    if (enclosed && !inside.empty() && inside.back() == L'\\') return RefusedArgument{Which::InfPath, L'\\'};
    if (!inside.empty() && StartsAnOption(inside.front())) return RefusedArgument{Which::InfPath, inside.front(), true};
    return std::nullopt;
}

std::wstring RefusalMessage(const RefusedArgument& refused) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring code = L"U+";
    for (int shift = 12; shift >= 0; shift -= 4)
        code += kDigits[(static_cast<unsigned>(refused.character) >> shift) & 0xFu];
    const std::wstring shown =
        refused.character < L' ' ? std::wstring() : L" (" + std::wstring(1, refused.character) + L")";
    const std::wstring what = refused.which == RefusedArgument::Which::BaseName ? L"the base name" : L"the INF path";
    if (refused.first) {
        return what + L" begins with " + code + shown + L", which the printer-setup entry point reads as " +
               (refused.character == L'@' ? L"a file of options" : L"an option");
    }
    return what + L" holds " + code + shown + L", which the printer-setup commands cannot carry";
}
