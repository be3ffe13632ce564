#include "core/elevation.h"

#include "core/command_line.h"

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

std::wstring ArgumentsForElevatedRun(std::wstring_view arguments, const ParsedCommandLine& parsed,
                                     const MappedShare& share, const PathExpansion& expand) {
    bool changed = false;
    std::wstring rebuilt;
    for (const WrittenOption& option : parsed.written) {
        std::wstring text = option.text;
        if (option.path) {
            const std::wstring unc = UncPath(expand(*option.path), share);
            if (unc != *option.path) {
                text = L"/" + option.name + L":" + kQuote + unc + kQuote;
                changed = true;
            }
        }
        rebuilt += text + kSpace;
    }
    const CommandLine& line = parsed.commandLine;
    // A path in quotes keeps them; the printer-setup commands get it as it was given.
    const std::wstring& inf = line.infBasePath;
    const bool quoted = inf.size() >= 2 && inf.front() == kQuote && inf.back() == kQuote;
    const std::wstring bare = quoted ? inf.substr(1, inf.size() - 2) : inf;
    const std::wstring unc = UncPath(bare, share);
    if (unc != bare) changed = true;
    if (!changed) return std::wstring(arguments);
    rebuilt += line.languageCode + kSpace + line.basePrinterName;
    if (inf.empty()) return rebuilt;
    return rebuilt + kSpace + (quoted ? kQuote + unc + kQuote : unc);
}
