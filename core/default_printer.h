#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/install_system.h"

// The default printer is a setting of each user. A run as the system account, as a
// deployment system's service starts it, would set the system account's own, which no
// person ever sees: it registers an Active Setup entry instead, whose command each user's
// logon runs once, making the printer that user's default.

// Where the entry of a printer is, below HKEY_LOCAL_MACHINE.
std::wstring ActiveSetupKey(std::wstring_view printerName);

// The entry's version, "YYYY,MMDD,HHMM,SS" of the moment in UTC: a later installation's
// is higher, so that each user's logon runs the command again.
std::wstring ActiveSetupVersion(std::int64_t unixSeconds);

// Makes the printer the default printer of the user the program runs as, or, run as the
// system account, of each user at their next logon. A failure is a line, never the
// installation's.
void MakeDefaultPrinter(const std::wstring& printerName, const InstallSystem& system);

// Takes back what a run as the system account registered for the printer, if it did.
void WithdrawDefaultForEachUser(const std::wstring& printerName, const InstallSystem& system);
