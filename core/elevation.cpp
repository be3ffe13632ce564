#include "core/elevation.h"

#include <algorithm>
#include <array>
#include <type_traits>

#include "core/command_line.h"
#include "core/os_choice.h"
#include "core/ports.h"
#include "core/serial_tables.h"

AfterRelaunch DecideAfterRelaunch(const RelaunchResult& relaunch) {
    using Outcome = RelaunchResult::Outcome;
    switch (relaunch.outcome) {
        case Outcome::Ended:
            return {static_cast<int>(relaunch.exitCode), L""};
        case Outcome::ExitCodeUnread:
            return {static_cast<int>(ExitCode::WizardNotFinished),
                    L"the run with administrator rights ended, but its exit code could not be read: error " +
                        std::to_wstring(relaunch.error)};
        case Outcome::Declined:
            return {static_cast<int>(ExitCode::WizardNotFinished), L""};
        case Outcome::NotStarted:
            break;
    }
    return {std::nullopt, L"could not start again with administrator rights: error " + std::to_wstring(relaunch.error)};
}

bool TrustedOwner(std::wstring_view owner, std::wstring_view alsoTrusted) {
    if (owner.empty()) return false;
    return owner == kAdministratorsSid || owner == kSystemSid || owner == kTrustedInstallerSid || owner == alsoTrusted;
}

std::wstring ShareNameInBuffer(std::wstring_view buffer) {
    return std::wstring(buffer.substr(0, buffer.find(L'\0')));
}

std::wstring UncPath(std::wstring_view path, const MappedShare& share) {
    const bool onDrive = path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
                         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
    if (!onDrive) return std::wstring(path);
    const std::optional<std::wstring> root = share(path[0]);
    if (!root || root->empty()) return std::wstring(path);
    std::wstring unc = *root;
    if (unc.back() == L'\\') unc.pop_back();
    return unc + std::wstring(path.substr(2));
}

namespace {

// A path an option names, as the elevated run must see it.
std::wstring PathForElevatedRun(const std::wstring& path, const MappedShare& share, const PathExpansion& expand) {
    return UncPath(expand(path), share);
}

std::wstring PathOption(const std::wstring& name, const std::wstring& path) {
    return L"/" + name + L":" + kQuote + path + kQuote;
}

struct InfArgument {
    std::wstring text;
    bool changed = false;
};

// A path in quotes keeps them; the printer-setup commands get it as it was given.
InfArgument InfForElevatedRun(const std::wstring& inf, const MappedShare& share) {
    const bool quoted = inf.size() >= 2 && inf.front() == kQuote && inf.back() == kQuote;
    const std::wstring bare = quoted ? inf.substr(1, inf.size() - 2) : inf;
    const std::wstring unc = UncPath(bare, share);
    return {quoted ? kQuote + unc + kQuote : unc, unc != bare};
}

// What follows the options: the language code, the base name and the INF path, if any.
std::wstring AfterTheOptions(const CommandLine& line, const InfArgument& inf) {
    std::wstring text = line.languageCode + kSpace + line.basePrinterName;
    return inf.text.empty() ? text : text + kSpace + inf.text;
}

// A value of a table the options read, as its option writes it; empty outside the table.
template <typename T, std::size_t N>
std::wstring TableText(const std::array<T, N>& table, std::int32_t index) {
    const auto entry = TableEntry(table, index);
    if (!entry) return L"";
    if constexpr (std::is_same_v<T, std::wstring_view>) {
        return std::wstring(*entry);
    } else {
        return std::to_wstring(*entry);
    }
}

}  // namespace

std::optional<std::wstring> OptionWithQuoteOnceExpanded(const ParsedCommandLine& parsed, const PathExpansion& expand) {
    for (const WrittenOption& option : parsed.written) {
        if (option.path && expand(*option.path).find(kQuote) != std::wstring::npos) return L"/" + option.name + L":";
    }
    return std::nullopt;
}

std::wstring ArgumentsForElevatedRun(std::wstring_view arguments, const ParsedCommandLine& parsed,
                                     const MappedShare& share, const PathExpansion& expand) {
    bool changed = false;
    std::wstring rebuilt;
    for (const WrittenOption& option : parsed.written) {
        std::wstring text = option.text;
        if (option.path) {
            const std::wstring path = PathForElevatedRun(*option.path, share, expand);
            if (path != *option.path) {
                text = PathOption(option.name, path);
                changed = true;
            }
        }
        rebuilt += text + kSpace;
    }
    const InfArgument inf = InfForElevatedRun(parsed.commandLine.infBasePath, share);
    if (!changed && !inf.changed) return std::wstring(arguments);
    return rebuilt + AfterTheOptions(parsed.commandLine, inf);
}

std::wstring ArgumentsForPassiveRun(const InstallSettings& settings, const ParsedCommandLine& parsed,
                                    std::wstring_view handback, const MappedShare& share, const PathExpansion& expand) {
    std::wstring text = L"/passive";
    const auto add = [&text](const std::wstring& option) { text += kSpace + option; };
    if (settings.osIndex != OsChoice::Unrecognised) {
        const auto row = static_cast<std::size_t>(settings.osIndex);
        add(L"/os:" + (row < kOsChoices.size() ? std::wstring(kOsChoices[row].optionName) : std::wstring()));
    }
    const std::optional<std::wstring> port = ChosenPort(settings.portIndex, settings.portName);
    add(L"/port:" + port.value_or(L""));
    if (port && IsComPortName(*port)) {
        add(L"/baud:" + TableText(BaudRateTable, settings.baudIndex));
        add(L"/bytesize:" + TableText(ByteSizeTable, settings.byteSizeIndex));
        add(L"/parity:" + TableText(ParityNames, settings.parityIndex));
        add(L"/stopbits:" + TableText(StopBitsNames, settings.stopBitsIndex));
        add(L"/flow:" + TableText(FlowControlNames, settings.flowControlIndex));
    }
    // The default printer is the person's own, which the elevated run, maybe another
    // administrator's, cannot set: the run that started it does.
    add(L"/nodefault");
    if (settings.printTestPage) add(L"/testpage");
    for (const std::wstring name : {L"log", L"record"}) {
        const auto given = std::find_if(parsed.written.begin(), parsed.written.end(),
                                        [&](const WrittenOption& option) { return option.name == name; });
        if (given != parsed.written.end() && given->path) {
            add(PathOption(name, PathForElevatedRun(*given->path, share, expand)));
        }
    }
    // Without a section to hand the name back through, the run just installs.
    if (!handback.empty()) add(L"/handback:" + std::wstring(handback));
    add(AfterTheOptions(parsed.commandLine, InfForElevatedRun(parsed.commandLine.infBasePath, share)));
    return text;
}
