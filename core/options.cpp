#include "core/options.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "core/serial_tables.h"

namespace {

constexpr wchar_t kSpace = L' ';
constexpr wchar_t kQuote = L'"';

wchar_t Lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](wchar_t x, wchar_t y) { return Lower(x) == Lower(y); });
}

// The position of `value` in `names`, compared without regard to case.
std::optional<std::int32_t> IndexOf(std::span<const std::wstring_view> names, std::wstring_view value) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (EqualsIgnoringCase(names[i], value)) return static_cast<std::int32_t>(i);
    }
    return std::nullopt;
}

// In the order of the OS choice: /os:xp is OsChoice::WindowsXp.
constexpr std::array<std::wstring_view, 6> kOsNames = {L"2000", L"xp", L"2003", L"vista", L"7", L"8"};

// The position of the number `value` (plain decimal digits) in a table of numbers.
template <std::size_t N>
std::optional<std::int32_t> IndexOfNumber(const std::array<std::int32_t, N>& table, std::wstring_view value) {
    for (std::size_t i = 0; i < N; ++i) {
        if (value == std::to_wstring(table[i])) return static_cast<std::int32_t>(i);
    }
    return std::nullopt;
}

std::optional<std::int32_t> PortIndex(std::wstring_view value) {
    for (std::size_t i = 0; i < PortNameTable.size(); ++i) {
        std::wstring_view name = PortNameTable[i];
        if (name.ends_with(L':')) name.remove_suffix(1);
        if (EqualsIgnoringCase(value, name) || EqualsIgnoringCase(value, std::wstring(name) + L':')) {
            return static_cast<std::int32_t>(i);
        }
    }
    return std::nullopt;
}

// One option as written: its name, and its value when a colon follows the name.
struct Token {
    std::wstring_view text;
    std::wstring_view name;
    std::optional<std::wstring> value;
    bool malformed = false;  // a quoted value not closed, or not followed by a space
};

// Reads the option at `at` (a '/'), and moves `at` past it and the spaces after it.
Token ReadToken(std::wstring_view line, std::size_t& at) {
    Token token;
    const std::size_t start = at;
    std::size_t end = line.find_first_of(L": ", at);
    if (end == std::wstring_view::npos) end = line.size();
    token.name = line.substr(at + 1, end - at - 1);
    at = end;
    if (at < line.size() && line[at] == L':') {
        ++at;
        if (at < line.size() && line[at] == kQuote) {
            const std::size_t closing = line.find(kQuote, at + 1);
            if (closing == std::wstring_view::npos) {
                token.malformed = true;
                at = line.size();
            } else {
                token.value = std::wstring(line.substr(at + 1, closing - at - 1));
                at = closing + 1;
                if (at < line.size() && line[at] != kSpace) {
                    token.malformed = true;
                    at = std::min(line.find(kSpace, at), line.size());
                }
            }
        } else {
            const std::size_t space = std::min(line.find(kSpace, at), line.size());
            token.value = std::wstring(line.substr(at, space - at));
            at = space;
        }
    }
    token.text = line.substr(start, at - start);
    while (at < line.size() && line[at] == kSpace) ++at;
    return token;
}

using Reason = OptionError::Reason;

// Applies one option to `options`; the reason it cannot be used, or nothing.
std::optional<Reason> Apply(const Token& token, UnattendedOptions& options) {
    if (token.malformed) return Reason::BadValue;
    auto flag = [&](bool& field) -> std::optional<Reason> {
        if (token.value) return Reason::BadValue;
        field = true;
        return std::nullopt;
    };
    auto listed = [&](auto& field, std::optional<std::int32_t> index) -> std::optional<Reason> {
        if (!token.value || !index) return Reason::BadValue;
        field = static_cast<std::remove_reference_t<decltype(*field)>>(*index);
        return std::nullopt;
    };
    const std::wstring value = token.value.value_or(L"");
    const std::wstring_view name = token.name;
    if (EqualsIgnoringCase(name, L"quiet")) return flag(options.quiet);
    if (EqualsIgnoringCase(name, L"nodefault")) return flag(options.noDefault);
    if (EqualsIgnoringCase(name, L"testpage")) return flag(options.testPage);
    if (EqualsIgnoringCase(name, L"log")) {
        if (value.empty()) return Reason::BadValue;
        options.logPath = value;
        return std::nullopt;
    }
    if (EqualsIgnoringCase(name, L"os")) {
        // "auto" leaves the choice to the detection the first page would make.
        if (token.value && EqualsIgnoringCase(value, L"auto")) return std::nullopt;
        return listed(options.os, IndexOf(kOsNames, value));
    }
    if (EqualsIgnoringCase(name, L"port")) return listed(options.portIndex, PortIndex(value));
    if (EqualsIgnoringCase(name, L"baud")) return listed(options.baudIndex, IndexOfNumber(BaudRateTable, value));
    if (EqualsIgnoringCase(name, L"bytesize")) {
        return listed(options.byteSizeIndex, IndexOfNumber(ByteSizeTable, value));
    }
    if (EqualsIgnoringCase(name, L"parity")) return listed(options.parityIndex, IndexOf(ParityNames, value));
    if (EqualsIgnoringCase(name, L"stopbits")) return listed(options.stopBitsIndex, IndexOf(StopBitsNames, value));
    if (EqualsIgnoringCase(name, L"flow")) return listed(options.flowControlIndex, IndexOf(FlowControlNames, value));
    return Reason::Unknown;
}

bool IsSerialOption(std::wstring_view name) {
    for (const std::wstring_view serial : {L"baud", L"bytesize", L"parity", L"stopbits", L"flow"}) {
        if (EqualsIgnoringCase(name, serial)) return true;
    }
    return false;
}

}  // namespace

ParsedCommandLine ParseCommandLine(std::wstring_view line) {
    ParsedCommandLine parsed;
    // Options begin after the quote that closes the program path and its spaces.
    const std::size_t closingQuote = ClosingQuoteOfProgram(line);
    std::size_t at = closingQuote == std::wstring_view::npos ? line.size() : closingQuote + 1;
    while (at < line.size() && line[at] == kSpace) ++at;
    if (at >= line.size() || line[at] != L'/') {
        parsed.commandLine = SplitCommandLine(line);
        return parsed;
    }

    std::optional<Token> firstNeedingQuiet;
    std::optional<Token> firstSerial;
    std::vector<std::wstring> seen;
    while (at < line.size() && line[at] == L'/') {
        const Token token = ReadToken(line, at);
        std::wstring name(token.name);
        std::transform(name.begin(), name.end(), name.begin(), Lower);
        std::optional<Reason> reason;
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
            reason = Reason::Repeated;
        } else {
            seen.push_back(name);
            reason = Apply(token, parsed.options);
        }
        if (reason && !parsed.error) parsed.error = OptionError{*reason, std::wstring(token.text)};
        if (!firstNeedingQuiet && !EqualsIgnoringCase(token.name, L"log") &&
            !EqualsIgnoringCase(token.name, L"quiet")) {
            firstNeedingQuiet = token;
        }
        if (!firstSerial && IsSerialOption(token.name)) firstSerial = token;
    }
    if (!parsed.error && !parsed.options.quiet && firstNeedingQuiet) {
        parsed.error = OptionError{Reason::NeedsQuiet, std::wstring(firstNeedingQuiet->text)};
    }
    if (!parsed.error && firstSerial && !IsComPort(parsed.options.portIndex.value_or(InstallSettings{}.portIndex))) {
        parsed.error = OptionError{Reason::SerialNeedsCom, std::wstring(firstSerial->text)};
    }
    // What follows is split as a line that names the program and then the language.
    const std::wstring rest = std::wstring(line.substr(0, closingQuote + 1)) + kSpace + std::wstring(line.substr(at));
    parsed.commandLine = SplitCommandLine(rest);
    return parsed;
}

std::wstring OptionErrorMessage(const OptionError& error) {
    const wchar_t* why = L"";
    switch (error.reason) {
        case Reason::Unknown:
            why = L"there is no such option";
            break;
        case Reason::BadValue:
            why = L"its value is not one it takes";
            break;
        case Reason::Repeated:
            why = L"it is given twice";
            break;
        case Reason::NeedsQuiet:
            why = L"without /quiet only /log: is taken";
            break;
        case Reason::SerialNeedsCom:
            why = L"serial line values need a COM port (/port:COM1 to COM4)";
            break;
    }
    return L"option " + error.option + L" refused: " + why;
}

InstallSettings SettingsFromOptions(const UnattendedOptions& options, OsChoice detected,
                                    const std::wstring& basePrinterName) {
    InstallSettings settings;
    settings.osIndex = options.os.value_or(detected);
    settings.setAsDefault = !options.noDefault;
    settings.printerName = basePrinterName;  // as the settings page sets it when it opens
    settings.portIndex = options.portIndex.value_or(settings.portIndex);
    settings.baudIndex = options.baudIndex.value_or(settings.baudIndex);
    settings.stopBitsIndex = options.stopBitsIndex.value_or(settings.stopBitsIndex);
    settings.flowControlIndex = options.flowControlIndex.value_or(settings.flowControlIndex);
    settings.byteSizeIndex = options.byteSizeIndex.value_or(settings.byteSizeIndex);
    settings.parityIndex = options.parityIndex.value_or(settings.parityIndex);
    settings.printTestPage = options.testPage;
    return settings;
}

std::wstring_view ArgumentsAfterProgram(std::wstring_view line) {
    const std::size_t closingQuote = ClosingQuoteOfProgram(line);
    if (closingQuote == std::wstring_view::npos) return {};
    std::wstring_view rest = line.substr(closingQuote + 1);
    if (!rest.empty() && rest.front() == kSpace) rest.remove_prefix(1);
    return rest;
}
