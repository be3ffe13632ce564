#pragma once

#include <string>

#include "core/install_sequence.h"
#include "core/removal.h"
#include "win/platform/language_library.h"

// What a run tells the person at the screen, in the run's language, and the log, in the
// program's own English: why an installation failed or what a removal did.

// The system's own text for an error (FormatMessageW), on one line; empty when it has
// none.
std::wstring SystemErrorText(SystemError error);

// "Windows error 1796: <our words, or the system's text>" for the system's error behind a
// failed step; empty when the system gave none.
std::wstring WhyItFailed(ExitCode code, SystemError error, const LanguageLibrary& language);

// Why an installation failed: the port's problem, an INF without a driver for ARM64, the
// likely reason for a missing driver, or the system's error in our words.
std::wstring InstallWhy(const InstallResult& result, const LanguageLibrary& language);

// Why the port could not be used: the port and those the machine has, or the USB printer
// ports and what is connected to each.
std::wstring PortProblemText(const PortProblem& problem, const LanguageLibrary& language);

// The message a failed installation shows: what failed, why, the exit code, and what to
// do (run as administrator, use the 64-bit program).
struct FailureHints {
    bool runAsAdministrator = false;
    bool use64BitProgram = false;
};
std::wstring InstallFailureMessage(const InstallResult& result, const std::wstring& recordPath,
                                   const LanguageLibrary& language, const FailureHints& hints);

// The question a removal asks, and the message that says how it ended.
std::wstring RemovalQuestion(const std::wstring& printerName, const LanguageLibrary& language);
std::wstring RemovalMessage(const RemovalResult& result, const std::wstring& recordPath,
                            const LanguageLibrary& language);
