#include "core/command_line.h"

#include "core/languages.h"

namespace {

std::wstring_view TrimLeadingSpaces(std::wstring_view text) {
    const auto first = text.find_first_not_of(kSpace);
    return first == std::wstring_view::npos ? std::wstring_view{} : text.substr(first);
}

std::wstring_view TrimSpaces(std::wstring_view text) {
    text = TrimLeadingSpaces(text);
    const auto last = text.find_last_not_of(kSpace);
    return last == std::wstring_view::npos ? std::wstring_view{} : text.substr(0, last + 1);
}

// The text from `from` up to (not including) `to`, or to the end when `to` is npos.
std::wstring_view Slice(std::wstring_view line, std::size_t from, std::size_t to) {
    if (from >= line.size()) return {};
    return line.substr(from, to == std::wstring_view::npos ? std::wstring_view::npos : to - from);
}

}  // namespace

std::size_t ClosingQuoteOfProgram(std::wstring_view line) {
    return line.size() > 1 ? line.find(kQuote, 1) : std::wstring_view::npos;
}

CommandLine SplitCommandLine(std::wstring_view line) {
    CommandLine result;

    const std::size_t closingQuote = ClosingQuoteOfProgram(line);
    // With no closing quote the code starts at position 0, as if the quote stood at -1.
    const std::size_t codeStart = closingQuote == std::wstring_view::npos ? 0 : closingQuote + 1;

    // The character right after the quote is the separator and is never searched.
    const std::size_t firstSpace = line.find(kSpace, codeStart + 1);
    const std::wstring_view code = TrimLeadingSpaces(Slice(line, codeStart, firstSpace));

    const Language* const language = FindLanguage(code);
    if (language == nullptr) return result;

    result.languageCode = code;
    result.languageIndex = LanguageIndex(*language);
    if (firstSpace == std::wstring_view::npos) {
        result.outcome = CommandLine::Outcome::MissingArgument;
        return result;
    }

    const std::size_t secondSpace = line.find(kSpace, firstSpace + 1);
    result.basePrinterName = TrimSpaces(Slice(line, firstSpace, secondSpace));
    if (secondSpace != std::wstring_view::npos) {
        result.infBasePath = TrimSpaces(Slice(line, secondSpace, std::wstring_view::npos));
    }

    const bool complete =
        secondSpace != std::wstring_view::npos && !result.basePrinterName.empty() && !result.infBasePath.empty();
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
    const bool enclosed = infBasePath.size() >= 2 && infBasePath.front() == kQuote && infBasePath.back() == kQuote;
    const std::wstring_view inside = enclosed ? infBasePath.substr(1, infBasePath.size() - 2) : infBasePath;
    if (inside.find(kQuote) != std::wstring_view::npos) return RefusedArgument{Which::InfPath, kQuote};
    if (enclosed && !inside.empty() && inside.back() == L'\\') return RefusedArgument{Which::InfPath, L'\\'};
    return std::nullopt;
}

std::wstring RefusalMessage(const RefusedArgument& refused) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring code = L"U+";
    for (int shift = 12; shift >= 0; shift -= 4)
        code += kDigits[(static_cast<unsigned>(refused.character) >> shift) & 0xFu];
    const std::wstring shown =
        refused.character < L' ' ? std::wstring() : L" (" + std::wstring(1, refused.character) + L")";
    const wchar_t* what = refused.which == RefusedArgument::Which::BaseName ? L"the base name" : L"the INF path";
    return std::wstring(what) + L" holds " + code + shown + L", which the printer-setup commands cannot carry";
}
