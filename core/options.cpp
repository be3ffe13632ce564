#include "core/options.h"

#include <algorithm>
#include <array>
#include <span>
#include <utility>
#include <vector>

#include "core/os_choice.h"
#include "core/ports.h"
#include "core/serial_tables.h"

namespace {

wchar_t Lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](wchar_t x, wchar_t y) { return Lower(x) == Lower(y); });
}

// The position of a value in an option's list; nothing when the list lacks it.
using ListLookup = std::optional<std::int32_t> (*)(std::wstring_view value);
// The text a value stands for; nothing when it is not one the option takes.
using TextLookup = std::optional<std::wstring> (*)(std::wstring_view value);

// Names compared without regard to case.
template <const auto& names>
std::optional<std::int32_t> NameIndex(std::wstring_view value) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (EqualsIgnoringCase(names[i], value)) return static_cast<std::int32_t>(i);
    }
    return std::nullopt;
}

// Numbers written as plain decimal digits.
template <const auto& numbers>
std::optional<std::int32_t> NumberIndex(std::wstring_view value) {
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (value == std::to_wstring(numbers[i])) return static_cast<std::int32_t>(i);
    }
    return std::nullopt;
}

std::optional<std::int32_t> OsIndex(std::wstring_view value) {
    for (const OsChoiceRow& row : kOsChoices) {
        if (EqualsIgnoringCase(row.optionName, value)) return static_cast<std::int32_t>(row.choice);
    }
    return std::nullopt;
}

// A quiet run's time limit: a whole number of seconds, 1 to a day.
std::optional<std::int32_t> TimeoutSeconds(std::wstring_view value) {
    if (value.empty() || value.size() > 5 || value.front() == L'0') return std::nullopt;
    std::int32_t seconds = 0;
    for (const wchar_t c : value) {
        if (c < L'0' || c > L'9') return std::nullopt;
        seconds = seconds * 10 + (c - L'0');
    }
    if (seconds > kMaxTimeoutSeconds) return std::nullopt;
    return seconds;
}

// A section's name as the starting run makes it: letters, digits and '-', nothing that
// could end the option or reach into another namespace of objects.
std::optional<std::wstring> HandbackName(std::wstring_view value) {
    if (value.empty() || value.size() > kMaxHandbackLength) return std::nullopt;
    const bool plain = std::all_of(value.begin(), value.end(), [](wchar_t c) {
        return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'-';
    });
    if (!plain) return std::nullopt;
    return std::wstring(value);
}

// Any port of the three forms, as the spooler names it; or USB alone, for the port the
// USB printer is connected to.
std::optional<std::wstring> PortName(std::wstring_view value) {
    if (EqualsIgnoringCase(value, kFindUsbPort)) return std::wstring(kFindUsbPort);
    return SpoolerPortName(value);
}

using O = UnattendedOptions;

// What an installation option does to the record an unattended run installs from.
using Fill = void (*)(const O& options, InstallSettings& settings);

template <std::optional<std::int32_t> O::*option, std::int32_t InstallSettings::*setting>
void FillIndex(const O& options, InstallSettings& settings) {
    if (options.*option) settings.*setting = *(options.*option);
}

void FillOs(const O& options, InstallSettings& settings) {
    if (options.os) settings.osIndex = static_cast<OsChoice>(*options.os);
}

void FillPort(const O& options, InstallSettings& settings) {
    if (options.port.empty()) return;
    settings.portName = options.port;
    // The fixed ports keep their place in the page's list; another has none there.
    const auto fixed = std::find_if(kFixedPorts.begin(), kFixedPorts.end(),
                                    [&](const PortRow& row) { return row.spoolerName == options.port; });
    settings.portIndex =
        fixed == kFixedPorts.end() ? kNoListedPort : static_cast<std::int32_t>(fixed - kFixedPorts.begin());
}

void FillNoDefault(const O& options, InstallSettings& settings) {
    if (options.noDefault) settings.setAsDefault = false;
}

void FillTestPage(const O& options, InstallSettings& settings) {
    if (options.testPage) settings.printTestPage = true;
}

// One option: its name, what its value is and where it goes, and when it may be given.
struct OptionRow {
    enum class Value {
        None,  // a switch
        Text,  // any text that is not empty
        Read,  // a value the row's lookup turns into a number: its position in a list, or itself
    };

    std::wstring_view name;
    Value value = Value::None;
    bool UnattendedOptions::*flag = nullptr;                         // Value::None
    std::wstring UnattendedOptions::*text = nullptr;                 // Value::Text
    std::optional<std::int32_t> UnattendedOptions::*read = nullptr;  // Value::Read
    ListLookup lookup = nullptr;                                     // Value::Read
    TextLookup textLookup = nullptr;        // Value::Text: the value as stored; nothing when it is refused
    std::wstring_view automatic{};          // Value::Read: a value that leaves the choice to the program
    bool path = false;                      // Value::Text: a file's path
    bool needsQuiet = true;                 // taken only with /quiet or /passive
    bool serialOnly = false;                // a serial line value: only with a COM port
    bool installOnly = false;               // says how to install: not with /remove
    bool runKind = false;                   // chooses the kind of run (/quiet, /passive)
    bool notWithQuiet = false;              // refused beside /quiet
    bool needsPassiveInstallation = false;  // taken only by an installation with /passive
    // An installation option's effect on the record; the others act on the run itself
    // (start-up reads them: the log, the record file, the time limit, quiet, removal).
    Fill fill = nullptr;
};

using Value = OptionRow::Value;

// Every option the program takes.
constexpr OptionRow kOptions[] = {
    {.name = L"quiet", .value = Value::None, .flag = &O::quiet, .needsQuiet = false, .runKind = true},
    {.name = L"passive",
     .value = Value::None,
     .flag = &O::passive,
     .needsQuiet = false,
     .runKind = true,
     .notWithQuiet = true},
    {.name = L"log", .value = Value::Text, .text = &O::logPath, .path = true, .needsQuiet = false},
    {.name = L"record", .value = Value::Text, .text = &O::recordPath, .path = true, .needsQuiet = false},
    {.name = L"remove", .value = Value::None, .flag = &O::remove, .needsQuiet = false},
    {.name = L"timeout", .value = Value::Read, .read = &O::timeoutSeconds, .lookup = TimeoutSeconds},
    {.name = L"os",
     .value = Value::Read,
     .read = &O::os,
     .lookup = OsIndex,
     .automatic = L"auto",
     .installOnly = true,
     .fill = FillOs},
    {.name = L"port",
     .value = Value::Text,
     .text = &O::port,
     .textLookup = PortName,
     .installOnly = true,
     .fill = FillPort},
    {.name = L"baud",
     .value = Value::Read,
     .read = &O::baudIndex,
     .lookup = NumberIndex<BaudRateTable>,
     .serialOnly = true,
     .installOnly = true,
     .fill = FillIndex<&O::baudIndex, &InstallSettings::baudIndex>},
    {.name = L"bytesize",
     .value = Value::Read,
     .read = &O::byteSizeIndex,
     .lookup = NumberIndex<ByteSizeTable>,
     .serialOnly = true,
     .installOnly = true,
     .fill = FillIndex<&O::byteSizeIndex, &InstallSettings::byteSizeIndex>},
    {.name = L"parity",
     .value = Value::Read,
     .read = &O::parityIndex,
     .lookup = NameIndex<ParityNames>,
     .serialOnly = true,
     .installOnly = true,
     .fill = FillIndex<&O::parityIndex, &InstallSettings::parityIndex>},
    {.name = L"stopbits",
     .value = Value::Read,
     .read = &O::stopBitsIndex,
     .lookup = NameIndex<StopBitsNames>,
     .serialOnly = true,
     .installOnly = true,
     .fill = FillIndex<&O::stopBitsIndex, &InstallSettings::stopBitsIndex>},
    {.name = L"flow",
     .value = Value::Read,
     .read = &O::flowControlIndex,
     .lookup = NameIndex<FlowControlNames>,
     .serialOnly = true,
     .installOnly = true,
     .fill = FillIndex<&O::flowControlIndex, &InstallSettings::flowControlIndex>},
    {.name = L"nodefault", .value = Value::None, .flag = &O::noDefault, .installOnly = true, .fill = FillNoDefault},
    {.name = L"testpage", .value = Value::None, .flag = &O::testPage, .installOnly = true, .fill = FillTestPage},
    // Acts on the run itself, not on the record: where the run hands back what it created.
    {.name = L"handback",
     .value = Value::Text,
     .text = &O::handback,
     .textLookup = HandbackName,
     .needsQuiet = false,
     .needsPassiveInstallation = true},
};

// A rule between options: the first option of a kind (a row's flag) is refused when the
// line as a whole refuses that kind; the rules in this order.
struct OptionRule {
    bool OptionRow::*kind;
    bool (*refuses)(const O& options);
    OptionError::Reason reason;
};

constexpr OptionRule kRules[] = {
    {&OptionRow::notWithQuiet, [](const O& o) { return o.quiet; }, OptionError::Reason::NotWithQuiet},
    {&OptionRow::installOnly, [](const O& o) { return o.remove; }, OptionError::Reason::NotWithRemove},
    {&OptionRow::needsQuiet, [](const O& o) { return !o.Unattended(); }, OptionError::Reason::NeedsQuiet},
    {&OptionRow::needsPassiveInstallation, [](const O& o) { return !o.passive || o.remove; },
     OptionError::Reason::NeedsPassiveInstallation},
    {&OptionRow::serialOnly,
     [](const O& o) { return !IsComPortName(ChosenPort(InstallSettings{}.portIndex, o.port).value_or(L"")); },
     OptionError::Reason::SerialNeedsCom},
};

const OptionRow* FindOption(std::wstring_view name) {
    for (const OptionRow& row : kOptions) {
        if (EqualsIgnoringCase(row.name, name)) return &row;
    }
    return nullptr;
}

// One option as written: its name, and its value when a colon follows the name.
struct Token {
    std::wstring_view text;
    std::wstring_view name;
    std::optional<std::wstring> value;
    bool malformed = false;  // a quote not closed, or not followed by a space
};

// An option begins at `at`: a '/', or a quote and a '/' when the whole option is quoted.
bool OptionAt(std::wstring_view line, std::size_t at) {
    if (at >= line.size()) return false;
    return line[at] == L'/' || (line[at] == kQuote && at + 1 < line.size() && line[at + 1] == L'/');
}

// Moves `at` past the spaces that separate options, and ends the option before them
// when it runs into something else.
void EndToken(std::wstring_view line, std::size_t& at, Token& token) {
    if (at < line.size() && line[at] != kSpace) {
        token.malformed = true;
        at = std::min(line.find(kSpace, at), line.size());
    }
}

// Reads the option at `at` enclosed in quotes as a whole: "/log:C:\a b\c.log".
Token ReadQuotedToken(std::wstring_view line, std::size_t& at) {
    Token token;
    const std::size_t start = at;
    const std::size_t closing = line.find(kQuote, at + 1);
    const std::wstring_view inside =
        line.substr(at + 2, closing == std::wstring_view::npos ? std::wstring_view::npos : closing - at - 2);
    const std::size_t colon = inside.find(L':');
    token.name = inside.substr(0, colon);
    if (colon != std::wstring_view::npos) token.value = std::wstring(inside.substr(colon + 1));
    if (closing == std::wstring_view::npos) {
        token.malformed = true;
        at = line.size();
    } else {
        at = closing + 1;
        EndToken(line, at, token);
    }
    token.text = line.substr(start, at - start);
    while (at < line.size() && line[at] == kSpace) ++at;
    return token;
}

// Reads the option at `at`, and moves `at` past it and the spaces after it.
Token ReadToken(std::wstring_view line, std::size_t& at) {
    if (line[at] == kQuote) return ReadQuotedToken(line, at);
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
                EndToken(line, at, token);
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

// Stores the option's value as its row says; the reason it cannot be used, or nothing.
std::optional<Reason> Apply(const OptionRow& row, const Token& token, UnattendedOptions& options) {
    if (token.malformed) return Reason::BadValue;
    switch (row.value) {
        case Value::None:
            if (token.value) return Reason::BadValue;
            options.*row.flag = true;
            return std::nullopt;
        case Value::Text: {
            if (!token.value || token.value->empty()) return Reason::BadValue;
            const auto text = row.textLookup ? row.textLookup(*token.value) : token.value;
            if (!text) return Reason::BadValue;
            options.*row.text = *text;
            return std::nullopt;
        }
        case Value::Read:
            if (!token.value) return Reason::BadValue;
            if (!row.automatic.empty() && EqualsIgnoringCase(*token.value, row.automatic)) return std::nullopt;
            const auto index = row.lookup(*token.value);
            if (!index) return Reason::BadValue;
            options.*row.read = *index;
            return std::nullopt;
    }
    return Reason::BadValue;
}

// The options a run with pages takes, as the refusal names them: "/log:".
std::wstring TakenWithoutQuiet() {
    std::vector<std::wstring> names;
    for (const OptionRow& row : kOptions) {
        if (row.needsQuiet || row.runKind || row.needsPassiveInstallation) continue;
        names.push_back(L"/" + std::wstring(row.name) + (row.value == Value::None ? L"" : L":"));
    }
    std::wstring text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? L" and " : L", ";
        text += names[i];
    }
    return text + (names.size() == 1 ? L" is taken" : L" are taken");
}

}  // namespace

ParsedCommandLine ParseCommandLine(std::wstring_view line) {
    ParsedCommandLine parsed;
    // Options begin after the program path and the spaces that follow it.
    const std::wstring_view arguments = ArgumentsAfterProgram(line);
    std::size_t at = std::min(arguments.find_first_not_of(kSpace), arguments.size());
    if (!OptionAt(arguments, at)) {
        parsed.commandLine = SplitArguments(arguments);
        return parsed;
    }

    std::vector<std::pair<const OptionRow*, Token>> given;
    auto refuse = [&](Reason reason, const Token& token) {
        if (!parsed.error) parsed.error = OptionError{reason, std::wstring(token.text)};
    };
    while (OptionAt(arguments, at)) {
        const Token token = ReadToken(arguments, at);
        const OptionRow* const row = FindOption(token.name);
        if (row == nullptr) {
            refuse(Reason::Unknown, token);
            continue;
        }
        if (std::any_of(given.begin(), given.end(), [&](const auto& earlier) { return earlier.first == row; })) {
            refuse(Reason::Repeated, token);
            continue;
        }
        given.emplace_back(row, token);
        if (const auto reason = Apply(*row, token, parsed.options)) refuse(*reason, token);
        parsed.written.push_back({std::wstring(token.text), std::wstring(row->name),
                                  row->path ? token.value : std::optional<std::wstring>()});
    }
    for (const OptionRule& rule : kRules) {
        if (!rule.refuses(parsed.options)) continue;
        const auto first = std::find_if(given.begin(), given.end(), [&](const auto& g) { return g.first->*rule.kind; });
        if (first != given.end()) refuse(rule.reason, first->second);
    }
    parsed.commandLine = SplitArguments(arguments.substr(at));
    return parsed;
}

std::wstring OptionErrorMessage(const OptionError& error) {
    std::wstring why;
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
            why = L"without /quiet or /passive only " + TakenWithoutQuiet();
            break;
        case Reason::SerialNeedsCom:
            why = L"serial line values need a COM port (/port:COMn)";
            break;
        case Reason::NotWithRemove:
            why = L"not with /remove";
            break;
        case Reason::NotWithQuiet:
            why = L"not with /quiet";
            break;
        case Reason::NeedsPassiveInstallation:
            why = L"only an installation with /passive takes it";
            break;
    }
    return L"option " + error.option + L" refused: " + why;
}

InstallSettings SettingsFromOptions(const UnattendedOptions& options, OsChoice detected,
                                    const std::wstring& basePrinterName) {
    InstallSettings settings;
    settings.osIndex = detected;
    settings.printerName = basePrinterName;  // as the settings page sets it when it opens
    for (const OptionRow& row : kOptions) {
        if (row.fill != nullptr) row.fill(options, settings);
    }
    return settings;
}

bool EveryInstallationOptionFills() {
    return std::all_of(std::begin(kOptions), std::end(kOptions),
                       [](const OptionRow& row) { return row.installOnly == (row.fill != nullptr); });
}
