#include "core/command_line.h"

#include "core/languages.h"

namespace {

constexpr wchar_t kSpace = L' ';
constexpr wchar_t kQuote = L'"';

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

CommandLine SplitCommandLine(std::wstring_view line) {
    CommandLine result;

    // The quote that closes the program path; position 0 holds the opening one.
    const std::size_t closingQuote = line.size() > 1 ? line.find(kQuote, 1) : std::wstring_view::npos;
    // With no closing quote the code starts at position 0, as if the quote stood at -1.
    const std::size_t codeStart = closingQuote == std::wstring_view::npos ? 0 : closingQuote + 1;

    // The character right after the quote is the separator and is never searched.
    const std::size_t firstSpace = line.find(kSpace, codeStart + 1);
    const std::wstring_view code = TrimLeadingSpaces(Slice(line, codeStart, firstSpace));

    const Language* const language = FindLanguage(code);
    if (language == nullptr) return result;

    result.languageCode = code;
    result.languageIndex = language->index;
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
    result.outcome = complete ? CommandLine::Outcome::Complete : CommandLine::Outcome::MissingArgument;
    return result;
}
