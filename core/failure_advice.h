#pragma once

#include "core/exit_code.h"
#include "core/install_system.h"
#include "core/system_errors.h"

// What the person at the screen and the log are told about the system's error behind a
// failed installation or removal: our own words for the common errors, the system's
// own text for the others, nothing when the system gave no error.
enum class FailureAdvice {
    None,
    SystemText,      // the system's message for the error
    PortMissing,     // USB001 appears once the printer is connected; this PC may have no such port
    DriverMissing,   // the INF has no driver for this Windows
    AccessDenied,    // run as administrator
    ComPortMissing,  // this PC has no such COM port
};

constexpr FailureAdvice AdviceFor(ExitCode code, SystemError error) {
    if (error == 0) return FailureAdvice::None;
    if (error == kErrorAccessDenied) return FailureAdvice::AccessDenied;
    if (code == ExitCode::PrinterNotCreated && error == kErrorUnknownPort) return FailureAdvice::PortMissing;
    if (code == ExitCode::PrinterNotCreated && error == kErrorUnknownPrinterDriver) return FailureAdvice::DriverMissing;
    // The port's configuration cannot be read when the system has no such port.
    if (code == ExitCode::SerialPortNotConfigured && (error == kErrorFileNotFound || error == kErrorBadKey)) {
        return FailureAdvice::ComPortMissing;
    }
    return FailureAdvice::SystemText;
}
