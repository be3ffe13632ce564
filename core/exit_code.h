#pragma once

#include <string_view>

// What a run ends with, as the process's exit code. Where two apply, the earlier
// step of the run decides.
enum class ExitCode : int {
    Installed = 0,
    WizardNotFinished = 1,
    CommandLineNotUnderstood = 2,
    PrinterSetupMissing = 3,
    PrinterNotCreated = 4,
    RecordFileIncomplete = 5,
    SerialPortNotConfigured = 6,
    WizardNotShown = 7,
    TimeLimitReached = 8,
    RemovalFailed = 9,
};

inline constexpr ExitCode kLastExitCode = ExitCode::RemovalFailed;

// What each code means, in the words of the README's table and of the log's last line.
constexpr std::wstring_view ExitCodeMeaning(ExitCode code) {
    switch (code) {
        case ExitCode::Installed:
            return L"the installation ran to its end";
        case ExitCode::WizardNotFinished:
            return L"ended by the person without finishing (Cancel, Escape, close, or No to a removal)";
        case ExitCode::CommandLineNotUnderstood:
            return L"the command line was not understood: unknown language code, base name or path missing or "
                   L"refused, an option refused, or the log file or the record file's folder could not be used; or "
                   L"the time limit could not be set";
        case ExitCode::PrinterSetupMissing:
            return L"the printer-setup library (printui.dll) or its entry point is missing";
        case ExitCode::PrinterNotCreated:
            return L"the printer was not created";
        case ExitCode::RecordFileIncomplete:
            return L"the printer was created, but the record file could not be written, or not whole (a name with "
                   L"characters above U+00FF)";
        case ExitCode::SerialPortNotConfigured:
            return L"the printer was created, but the COM port's line settings could not be written";
        case ExitCode::WizardNotShown:
            return L"the wizard could not be shown";
        case ExitCode::TimeLimitReached:
            return L"the installation did not end within the time limit";
        case ExitCode::RemovalFailed:
            return L"the printer could not be removed";
    }
    return L"";
}

// The outcomes of an installation that ran but did not finish its work: the person at
// the wizard is told of them.
constexpr bool IsFailedInstallation(ExitCode code) {
    return code == ExitCode::PrinterSetupMissing || code == ExitCode::PrinterNotCreated ||
           code == ExitCode::RecordFileIncomplete || code == ExitCode::SerialPortNotConfigured;
}

// The outcomes after which the printer is there, whatever else failed.
constexpr bool PrinterCreated(ExitCode code) {
    return code == ExitCode::Installed || code == ExitCode::RecordFileIncomplete ||
           code == ExitCode::SerialPortNotConfigured;
}
