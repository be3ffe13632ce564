#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "core/exit_code.h"
#include "core/install_system.h"
#include "core/printer_name_record.h"

// A record file longer than this names no printer an installation made.
inline constexpr std::size_t kMaxRecordBytes = 1024;

// How long a deleted printer may take to go. The spooler deletes a printer with jobs only
// once they are gone, and a job that an offline printer is in the middle of cannot
// always be purged at once.
inline constexpr std::chrono::milliseconds kDeletionWait{5000};
// How long the spooler may still hold a driver whose last printer has just gone.
inline constexpr std::chrono::milliseconds kDriverInUseWait{5000};

// What one removal is asked to do: remove the printer an installation with this base
// name recorded, the default printer entry a run as the system account registered for
// it, its driver when no other printer uses it, and the record.
struct RemovalRequest {
    std::wstring basePrinterName;
    std::wstring recordPath = kPrinterNameRecordFile;
};

struct RemovalResult {
    enum class Outcome {
        Removed,       // the printer is gone
        NothingFound,  // no record, an empty one (deleted), or a record of a printer that is no more
        Declined,      // the person said No
        NotRemoved,    // `reason` says why; nothing more was touched
    };
    enum class Reason {
        None,
        RecordUnreadable,   // the record file is there but cannot be read (`error`)
        RecordTooLong,      // the record file is longer than kMaxRecordBytes
        RecordNotTrusted,   // the record file's owner is not one the run trusts
        NotThisBaseName,    // the record names a printer this base name never makes
        OtherDriver,        // the printer uses another model's driver
        PrinterNotOpened,   // the printer cannot be opened for removal (`error`)
        PrinterNotDeleted,  // the spooler refused to delete it (`error`)
        PrinterStays,       // deleted, it was still there after kDeletionWait
        ChangedMeanwhile,   // the record or its printer changed while the removal asked or waited
        RecordNotDeleted,   // the printer is gone, but the record stays (`error`)
    };

    ExitCode code = ExitCode::Installed;
    Outcome outcome = Outcome::NothingFound;
    Reason reason = Reason::None;
    std::wstring printerName;  // what the record names
    SystemError error = 0;

    friend bool operator==(const RemovalResult&, const RemovalResult&) = default;
};

// Whether a recorded name is one an installation with `base` makes: the base name, or
// "<base>(copy of N)" with N from 1 to 9999 in digits without leading zeros; compared
// without regard to case, as Windows compares printer names (the record holds only
// characters up to U+00FF, whose case the comparison folds).
bool IsNameFromBase(std::wstring_view recorded, std::wstring_view base);

// Asks whether the printer is to be removed; a quiet run answers yes without asking.
using ConfirmRemoval = std::function<bool(const std::wstring& printerName)>;

// Removes what an installation recorded, one step after another, each written to the
// debugger output. What there is to remove is found, and asked about, without the lock
// that keeps installations apart, so that a question nobody answers holds up no other
// installation; then, holding it, the removal reads the record again and removes only
// what it asked about.
RemovalResult RunRemoval(const RemovalRequest& request, const InstallSystem& system, const ConfirmRemoval& confirm);
