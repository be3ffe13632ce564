#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/command_line.h"
#include "core/install_settings.h"

// Options for unattended installation and removal. They stand between the program path
// and the language code:
//   <program> [/option[:value]]... <language> <base name> <INF path>
// Names are case-insensitive, and so are the values taken from a list; a value holding
// spaces is enclosed in double quotes, or the whole option is ("/log:C:\a b\c.log"),
// as some shells pass an argument that holds a space.
struct UnattendedOptions {
    bool quiet = false;                // no page: the installation runs at once
    std::wstring logPath;              // append the run's lines to this file; empty: no log
    std::optional<std::int32_t> os{};  // an OsChoice; nothing: the running system, as the first page detects it
    std::wstring port;                 // as the spooler names it, or kFindUsbPort; empty: the wizard's default
    std::optional<std::int32_t> baudIndex{};
    std::optional<std::int32_t> byteSizeIndex{};
    std::optional<std::int32_t> parityIndex{};
    std::optional<std::int32_t> stopBitsIndex{};
    std::optional<std::int32_t> flowControlIndex{};
    bool noDefault = false;
    bool testPage = false;
    std::optional<std::int32_t> timeoutSeconds{};  // a quiet run's time limit; nothing: kDefaultTimeoutSeconds
    std::wstring recordPath;                       // the record file; empty: kPrinterNameRecordFile here
    bool remove = false;                           // remove what an earlier installation recorded
    bool passive = false;                          // as quiet, but the run's progress and its failure are shown
    // The section that the run which started this one made, where this one hands back the
    // printer's whole name; empty: none.
    std::wstring handback;

    // Whether the run comes from the options alone, with nobody to answer a page.
    bool Unattended() const { return quiet || passive; }
};

inline constexpr std::int32_t kDefaultTimeoutSeconds = 600;
inline constexpr std::int32_t kMaxTimeoutSeconds = 86400;
// The longest name a /handback: section may have.
inline constexpr std::size_t kMaxHandbackLength = 64;

// Why the options cannot be used; `option` is the option as written.
struct OptionError {
    enum class Reason {
        Unknown,                   // no such option
        BadValue,                  // a value outside its list, a value missing or one too many
        Repeated,                  // given a second time
        NeedsQuiet,                // an option that only a run from options takes, without /quiet or /passive
        SerialNeedsCom,            // a serial line value for a port that is not a COM port
        NotWithRemove,             // an installation's option, with /remove
        NotWithQuiet,              // /passive, with /quiet
        NeedsPassiveInstallation,  // /handback:, without /passive or with /remove
    };

    Reason reason = Reason::Unknown;
    std::wstring option;

    friend bool operator==(const OptionError&, const OptionError&) = default;
};

// An option as the command line gave it, for a run that passes the line on.
struct WrittenOption {
    std::wstring text;                 // as written, quotes included
    std::wstring name;                 // the option's own name, in lower case: "log"
    std::optional<std::wstring> path;  // the value of an option whose value is a path
};

struct ParsedCommandLine {
    std::vector<WrittenOption> written;  // every option, in order
    UnattendedOptions options;
    std::optional<OptionError> error{};  // the first option that cannot be used
    CommandLine commandLine;             // what follows the options, split as ever
};

// Reads the options after the program path (see ArgumentsAfterProgram), then splits what
// follows them as SplitArguments does; a line without options is split exactly as
// SplitCommandLine splits it.
ParsedCommandLine ParseCommandLine(std::wstring_view line);

// The debugger line that names a refused option and why.
std::wstring OptionErrorMessage(const OptionError& error);

// Whether every option that says how to install has an effect on the record, and no
// other option has one: an installation option parsed and then ignored would be a
// promise the program does not keep.
bool EveryInstallationOptionFills();

// The record a quiet run installs from: the wizard's defaults with the options' values,
// and the operating system the first page would have preselected unless /os: names one.
InstallSettings SettingsFromOptions(const UnattendedOptions& options, OsChoice detected,
                                    const std::wstring& basePrinterName);
