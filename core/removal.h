#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "core/exit_code.h"
#include "core/install_system.h"
#include "core/printer_name_record.h"

// A record file longer than this names no printer an installation made.
inline constexpr std::size_t kMaxRecordBytes = 1024;

// What one removal is asked to do: remove the printer an installation with this base
// name recorded, its driver when no other printer uses it, and the record.
struct RemovalRequest {
    std::wstring basePrinterName;
    std::wstring recordPath = kPrinterNameRecordFile;
};

struct RemovalResult {
    enum class Outcome {
        Removed,       // the printer is gone
        NothingFound,  // no record, an empty one, or a record of a printer that is no more
        Declined,      // the person said No
        NotRemoved,    // `reason` says why; nothing more was touched
    };
    enum class Reason {
        None,
        RecordUnreadable,   // the record file is there but cannot be read (`error`)
        NotThisBaseName,    // the record names a printer this base name never makes
        OtherDriver,        // the printer uses another model's driver
        PrinterNotOpened,   // the printer cannot be opened for removal (`error`)
        PrinterNotDeleted,  // the spooler refused to delete it (`error`)
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
// debugger output; from reading the record on, one installation or removal at a time.
RemovalResult RunRemoval(const RemovalRequest& request, const InstallSystem& system, const ConfirmRemoval& confirm);
