#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/exit_code.h"
#include "core/install_settings.h"
#include "core/options.h"

// The kind of token the process runs with, as the system reports it from Vista on.
enum class TokenKind {
    Ordinary,  // a user without administrator rights, or a system without split tokens
    Full,      // all the rights of its user: an elevated administrator, or SYSTEM
    Limited,   // an administrator's token with those rights filtered out
};

// When a run asks for the administrator's full token.
enum class Elevation {
    None,      // it goes on as it is
    AtStart,   // it starts itself again with the full token before anything else
    AtFinish,  // the pages first; the installation then runs with the full token, from options
};

// Only an interactive run from Vista on (major version 6 on) can ask: a run from options
// has nobody to answer the prompt. A removal asks at its start, so that its question and
// its result come from the run that removes. An installation asks once the pages are
// done: an administrator's limited token can be elevated, and a standard user (an
// ordinary token without the administrators' rights) can give an administrator's name
// and password; without the rights the printer cannot be created. A full token, or an
// elevated one, needs nothing.
constexpr Elevation ElevationFor(bool fromOptions, bool removal, std::uint32_t majorVersion, TokenKind token,
                                 bool elevated) {
    if (fromOptions || majorVersion < 6) return Elevation::None;
    if (removal) return token == TokenKind::Limited ? Elevation::AtStart : Elevation::None;
    const bool standardUser = token == TokenKind::Ordinary && !elevated;
    return token == TokenKind::Limited || standardUser ? Elevation::AtFinish : Elevation::None;
}

// Whether the end of a run says that the installer must be run as administrator: an
// installation that failed in a process without the administrators' rights.
constexpr bool NeedsAdministratorHint(ExitCode outcome, bool elevated) {
    return IsFailedInstallation(outcome) && !elevated;
}

// The owners (as SID strings) whose program files no standard user can have put there.
inline constexpr std::wstring_view kAdministratorsSid = L"S-1-5-32-544";
inline constexpr std::wstring_view kSystemSid = L"S-1-5-18";
inline constexpr std::wstring_view kTrustedInstallerSid =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// Whether a run that may have administrator rights may trust a file that `owner` owns
// (a program to start, a record to read or write in place): the administrators, the
// system and TrustedInstaller own what setups install, and `alsoTrusted` is the one
// account more that may have placed it (the owner of this program's own file, the user
// the run runs as). Any other owner, or one that could not be read (empty), may be a
// user who swapped it in.
bool TrustedOwner(std::wstring_view owner, std::wstring_view alsoTrusted);

// How starting the same program again with administrator rights went.
struct RelaunchResult {
    enum class Outcome {
        Ended,           // it ran, and ended with `exitCode`
        ExitCodeUnread,  // it ran, but its exit code could not be read (`error`)
        Declined,        // the person at the screen said no to the elevation prompt
        NotStarted,      // it could not be started for another reason (`error`)
    };

    Outcome outcome = Outcome::NotStarted;
    std::uint32_t exitCode = 0;
    std::uint32_t error = 0;
};

// What the run that started the elevated one does next: end with `exitCode`, or, when
// there is none, go on as if it had not tried. `line` is a debugger line to write first.
struct AfterRelaunch {
    std::optional<int> exitCode;
    std::wstring line;

    friend bool operator==(const AfterRelaunch&, const AfterRelaunch&) = default;
};

// Once the elevated run ran, this run never goes on: the wizard must not run twice.
AfterRelaunch DecideAfterRelaunch(const RelaunchResult& relaunch);

// The network share ("\\server\share") a drive letter of this session is mapped to, or
// nothing.
using MappedShare = std::function<std::optional<std::wstring>(wchar_t drive)>;

// The share's name as a network provider wrote it into `buffer`: up to its first NUL, or
// the whole buffer from a provider that wrote none.
std::wstring ShareNameInBuffer(std::wstring_view buffer);

// A path on a drive letter mapped to a network share ("Z:\drivers\tavik") as its UNC path
// ("\\server\share\drivers\tavik"); any other path as it is.
std::wstring UncPath(std::wstring_view path, const MappedShare& share);

// The environment references (%NAME%) of a path expanded, as this run sees them.
using PathExpansion = std::function<std::wstring(std::wstring_view path)>;

// The option (as "/log:") whose path holds a `"` once its environment references are
// expanded, or nothing. Handed on to an elevated run, that `"` would end the path's
// argument and start options of someone else's choosing.
std::optional<std::wstring> OptionWithQuoteOnceExpanded(const ParsedCommandLine& parsed, const PathExpansion& expand);

// The arguments for the elevated run of the same program, which does not see the drive
// letters this session mapped (nor, run as another administrator, its environment): the
// paths that options name expanded, and these and the INF path, when on a mapped drive,
// as UNC paths; when that changes nothing, `arguments` unchanged.
std::wstring ArgumentsForElevatedRun(std::wstring_view arguments, const ParsedCommandLine& parsed,
                                     const MappedShare& share, const PathExpansion& expand);

// The arguments for the installation that an interactive run, its pages done, starts with
// administrator rights: the pages' choices as the options that give them back, a run
// with /passive that leaves the default printer to the person's own run (/nodefault),
// the log and record file this run was given (expanded, as UNC paths on a mapped drive,
// in quotes), /handback: with `handback`, and the language code, base name and INF path
// as ArgumentsForElevatedRun passes them on. A choice outside its list is written
// without a value, which the elevated run refuses: it must not install what nobody chose.
std::wstring ArgumentsForPassiveRun(const InstallSettings& settings, const ParsedCommandLine& parsed,
                                    std::wstring_view handback, const MappedShare& share, const PathExpansion& expand);
