#pragma once

// What a run ends with, as the process's exit code. Where two apply, the earlier
// step of the run decides.
enum class ExitCode : int {
    Installed = 0,                 // the installation ran to its end
    WizardNotFinished = 1,         // cancelled, or ended without finishing
    CommandLineNotUnderstood = 2,  // unknown language code, base name or path missing
    PrinterSetupMissing = 3,       // printui.dll or its entry point missing
    PrinterNotCreated = 4,
    RecordFileIncomplete = 5,     // printer created; record file not written, or not whole
    SerialPortNotConfigured = 6,  // printer created; COM line settings not written
    WizardNotShown = 7,
};
