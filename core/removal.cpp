#include "core/removal.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "core/default_printer.h"
#include "core/install_sequence.h"
#include "core/system_errors.h"

namespace {

using Outcome = RemovalResult::Outcome;
using Reason = RemovalResult::Reason;

// Case folding for the characters a record can hold: the Latin letters and those of
// Latin-1, upper to lower case.
wchar_t Folded(wchar_t c) {
    const bool latin = c >= L'A' && c <= L'Z';
    const bool latin1 = c >= 0xC0 && c <= 0xDE && c != 0xD7;
    return latin || latin1 ? static_cast<wchar_t>(c + 0x20) : c;
}

bool SameIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](wchar_t x, wchar_t y) { return Folded(x) == Folded(y); });
}

std::wstring ErrorText(SystemError error) {
    return L"error " + std::to_wstring(error);
}

// How often a wait asks the system again.
constexpr std::chrono::milliseconds kPollInterval{250};

std::wstring Seconds(std::chrono::milliseconds wait) {
    return std::to_wstring(std::chrono::duration_cast<std::chrono::seconds>(wait).count()) + L" s";
}

// The steps of a removal: each ends it with a result, or lets the next one go on.
class Removal {
public:
    Removal(const RemovalRequest& request, const InstallSystem& system) : request_(request), system_(system) {}

    RemovalResult Run(const ConfirmRemoval& confirm) {
        std::string recorded;
        if (!ReadRecord(recorded)) return result_;
        const std::optional<bool> found = FindPrinter();
        if (!found) return result_;
        if (*found && !confirm(result_.printerName)) {
            Line(L"the printer " + result_.printerName + L" is not removed: the answer was No");
            return Ended(ExitCode::WizardNotFinished, Outcome::Declined);
        }

        const InstallationTurn turn(system_);
        // Another run may have changed the record or its printer while this one asked or
        // waited for its turn; what was asked about is then not what would be removed.
        if (!RecordUnchanged(recorded)) return result_;
        system_.progress.Enter(RunStep::PrinterRemoval);
        SystemError error = 0;
        std::unique_ptr<OpenedPrinter> printer = system_.spooler.OpenForRemoval(result_.printerName, error);
        if (!printer && error != kErrorInvalidPrinterName) return NotOpened(error);
        if (static_cast<bool>(printer) != *found || (printer && printer->Driver() != kDriverModelName)) {
            return NotRemoved(
                Reason::ChangedMeanwhile, 0,
                L"the printer " + result_.printerName + L" changed while the removal waited: nothing is removed");
        }
        if (!printer) {
            // Someone deleted the printer: what a run as the system account registered for
            // it would still try to make it each user's default.
            WithdrawDefault();
            return DeleteRecord(Outcome::NothingFound);
        }
        return RemovePrinter(std::move(printer));
    }

private:
    void Line(const std::wstring& text) const { system_.debug.Write(text); }

    RemovalResult& Ended(ExitCode code, Outcome outcome) {
        result_.code = code;
        result_.outcome = outcome;
        return result_;
    }

    RemovalResult& NotRemoved(Reason reason, SystemError error, const std::wstring& line) {
        Line(line);
        result_.reason = reason;
        result_.error = error;
        return Ended(ExitCode::RemovalFailed, Outcome::NotRemoved);
    }

    RemovalResult& NotOpened(SystemError error) {
        return NotRemoved(Reason::PrinterNotOpened, error,
                          L"the printer " + result_.printerName + L" cannot be opened: " + ErrorText(error) +
                              L": nothing is removed");
    }

    // Asks `done` until it says yes, for at most `wait`; whether it said yes.
    bool WaitFor(std::chrono::milliseconds wait, const std::function<bool()>& done) {
        Clock& clock = system_.clock;
        const std::uint64_t start = clock.NowMilliseconds();
        const auto limit = static_cast<std::uint64_t>(wait.count());
        while (!done()) {
            const std::uint64_t elapsed = clock.NowMilliseconds() - start;
            if (elapsed >= limit) return false;
            clock.Sleep(static_cast<std::uint32_t>(std::min<std::uint64_t>(kPollInterval.count(), limit - elapsed)));
        }
        return true;
    }

    // The record names the printer (its bytes in `recorded`); false when the removal
    // ends here.
    bool ReadRecord(std::string& recorded) {
        system_.progress.Enter(RunStep::RecordReading);
        const std::wstring& path = request_.recordPath;
        SystemError error = 0;
        // One byte more than a record may hold tells a record that is too long from one cut.
        const std::optional<std::string> bytes = system_.files.ReadFile(path, kMaxRecordBytes + 1, error);
        if (!bytes && (error == kErrorFileNotFound || error == kErrorPathNotFound)) {
            Line(L"nothing to remove: there is no record file " + path);
            Ended(ExitCode::Installed, Outcome::NothingFound);
            return false;
        }
        if (!bytes && error == kErrorInvalidOwner) {
            NotRemoved(
                Reason::RecordNotTrusted, error,
                L"the record file " + path + L" " + std::wstring(kRecordOwnerNotTrusted) + L": nothing is removed");
            return false;
        }
        if (!bytes) {
            NotRemoved(Reason::RecordUnreadable, error,
                       L"the record file " + path + L" cannot be read: " + ErrorText(error));
            return false;
        }
        if (bytes->empty()) {
            Line(L"nothing to remove: the record file " + path + L" is empty");
            DeleteEmptyRecord();
            return false;
        }
        if (bytes->size() > kMaxRecordBytes) {
            NotRemoved(Reason::RecordTooLong, 0,
                       L"the record file " + path + L" is longer than " + std::to_wstring(kMaxRecordBytes) +
                           L" bytes, which no installation writes: nothing is removed");
            return false;
        }
        recorded = *bytes;
        result_.printerName = PrinterNameFromRecordBytes(recorded);
        Line(L"the record file " + path + L" names the printer " + result_.printerName);
        if (!IsNameFromBase(result_.printerName, request_.basePrinterName)) {
            NotRemoved(Reason::NotThisBaseName, 0,
                       L"an installation with the base name " + request_.basePrinterName +
                           L" makes no printer of that name: nothing is removed");
            return false;
        }
        return true;
    }

    // Whether the recorded printer is there, with this program's driver; nothing when
    // the removal ends here.
    std::optional<bool> FindPrinter() {
        system_.progress.Printer(result_.printerName);
        system_.progress.Enter(RunStep::PrinterRemoval);
        SystemError error = 0;
        const std::unique_ptr<OpenedPrinter> printer = system_.spooler.OpenForRemoval(result_.printerName, error);
        if (!printer && error != kErrorInvalidPrinterName) {
            NotOpened(error);
            return std::nullopt;
        }
        if (!printer) {
            Line(L"nothing to remove: there is no printer " + result_.printerName);
            return false;
        }
        const std::wstring driver = printer->Driver();
        Line(L"the printer " + result_.printerName + L" uses the driver " + driver);
        if (driver != kDriverModelName) {
            NotRemoved(Reason::OtherDriver, 0,
                       L"which is not the driver " + std::wstring(kDriverModelName) + L": nothing is removed");
            return std::nullopt;
        }
        return true;
    }

    // An empty record names nothing, yet a deployment's detection would find it for ever.
    // It goes under the lock, unless an installation has written a name into it meanwhile.
    void DeleteEmptyRecord() {
        const InstallationTurn turn(system_);
        if (RecordUnchanged(std::string())) DeleteRecord(Outcome::NothingFound);
    }

    // The record as it was when the removal began; false, the removal ended, when not.
    bool RecordUnchanged(const std::string& recorded) {
        system_.progress.Enter(RunStep::RecordReading);
        const std::wstring& path = request_.recordPath;
        SystemError error = 0;
        const std::optional<std::string> bytes = system_.files.ReadFile(path, kMaxRecordBytes + 1, error);
        if (!bytes && error != kErrorFileNotFound && error != kErrorPathNotFound) {
            NotRemoved(Reason::RecordUnreadable, error,
                       L"the record file " + path + L" cannot be read: " + ErrorText(error));
            return false;
        }
        if (bytes == recorded) return true;
        NotRemoved(Reason::ChangedMeanwhile, 0,
                   L"the record file " + path + L" changed while the removal waited: nothing is removed");
        return false;
    }

    RemovalResult& RemovePrinter(std::unique_ptr<OpenedPrinter> printer) {
        const std::wstring& name = result_.printerName;
        // Waiting jobs (an offline kiosk printer's) would only mark the printer for deletion.
        if (const SystemError purged = printer->PurgeJobs(); purged != 0) {
            Line(L"the jobs waiting for the printer " + name + L" could not be purged: " + ErrorText(purged));
        }
        // Once the printer is gone, nothing leads to where its driver came from.
        SystemError infError = 0;
        const std::wstring infPath = printer->DriverInfPath(infError);
        if (const SystemError deleted = printer->Delete(); deleted != 0) {
            return NotRemoved(Reason::PrinterNotDeleted, deleted,
                              L"the printer " + name + L" could not be deleted: " + ErrorText(deleted));
        }
        printer.reset();  // the spooler lets a printer go only once no handle to it is open
        if (!WaitFor(kDeletionWait, [&] { return !system_.spooler.PrinterRemains(name); })) {
            // A record that went now would make a deployment count as removed what stays,
            // and the next installation would make a copy beside it.
            return NotRemoved(Reason::PrinterStays, 0,
                              L"the printer " + name + L" is still there " + Seconds(kDeletionWait) +
                                  L" after its deletion, printing or waiting for a job: the record file stays");
        }
        Line(L"the printer " + name + L" is deleted");
        WithdrawDefault();
        RemoveDriverWhenUnused(infPath, infError);
        return DeleteRecord(Outcome::Removed);
    }

    void WithdrawDefault() {
        system_.progress.Enter(RunStep::DefaultPrinter);
        WithdrawDefaultForEachUser(result_.printerName, system_);
    }

    // The spooler of some systems removes a driver that printers still use: the
    // printers are counted here first, and a driver that cannot be counted stays.
    void RemoveDriverWhenUnused(const std::wstring& infPath, SystemError infError) {
        system_.progress.Enter(RunStep::DriverRemoval);
        Spooler& spooler = system_.spooler;
        const std::wstring driver(kDriverModelName);
        SystemError error = 0;
        const std::optional<std::vector<std::wstring>> drivers = spooler.DriversInUse(error);
        if (!drivers) {
            Line(L"the driver " + driver + L" stays: the printers that might use it cannot be listed, " +
                 ErrorText(error));
            return;
        }
        const auto users = std::count(drivers->begin(), drivers->end(), driver);
        if (users > 0) {
            Line(L"the driver " + driver + L" stays: " + std::to_wstring(users) +
                 (users == 1 ? L" printer uses it" : L" printers use it"));
            return;
        }
        // Right after its last printer has gone, the spooler may hold the driver a moment.
        WaitFor(kDriverInUseWait, [&] {
            error = spooler.DeleteDriver(driver);
            return error != kErrorPrinterDriverInUse;
        });
        if (error != 0) {
            Line(L"the driver " + driver + L" stays: the spooler did not remove it, " + ErrorText(error));
            return;
        }
        Line(L"the driver " + driver + L" is removed");
        RemoveDriverPackage(infPath, infError);
    }

    // The driver store would install the driver again from its package, unasked.
    void RemoveDriverPackage(const std::wstring& infPath, SystemError infError) {
        Spooler& spooler = system_.spooler;
        if (!spooler.OffersDriverPackageRemoval()) {
            Line(L"the driver package stays: this system offers no removal from its driver store");
            return;
        }
        if (infPath.empty()) {
            Line(L"the driver package stays in the driver store: the driver's INF path could not be read" +
                 (infError != 0 ? L", " + ErrorText(infError) : std::wstring()));
            return;
        }
        const SystemError error = spooler.DeleteDriverPackage(infPath);
        Line(error == 0 ? L"the driver package " + infPath + L" is removed from the driver store"
                        : L"the driver package " + infPath + L" stays in the driver store: " + ErrorText(error));
    }

    // A record that stays would make a deployment's detection find the printer still.
    RemovalResult& DeleteRecord(Outcome outcome) {
        system_.progress.Enter(RunStep::RecordRemoval);
        if (const SystemError error = system_.files.RemoveFile(request_.recordPath); error != 0) {
            return NotRemoved(
                Reason::RecordNotDeleted, error,
                L"the record file " + request_.recordPath + L" could not be deleted: " + ErrorText(error));
        }
        Line(L"the record file " + request_.recordPath + L" is deleted");
        return Ended(ExitCode::Installed, outcome);
    }

    const RemovalRequest& request_;
    const InstallSystem& system_;
    RemovalResult result_;
};

}  // namespace

bool IsNameFromBase(std::wstring_view recorded, std::wstring_view base) {
    if (recorded.size() < base.size() || !SameIgnoringCase(recorded.substr(0, base.size()), base)) return false;
    std::wstring_view copy = recorded.substr(base.size());
    if (copy.empty()) return true;
    if (copy.size() <= kCopyOpen.size() + kCopyClose.size() ||
        !SameIgnoringCase(copy.substr(0, kCopyOpen.size()), kCopyOpen) ||
        copy.substr(copy.size() - kCopyClose.size()) != kCopyClose) {
        return false;
    }
    const std::wstring_view digits = copy.substr(kCopyOpen.size(), copy.size() - kCopyOpen.size() - kCopyClose.size());
    // A copy number the name search makes: 1 to kMaxPrinterCopies, without leading zeros.
    if (digits.front() == L'0') return false;
    int number = 0;
    for (const wchar_t c : digits) {
        if (c < L'0' || c > L'9') return false;
        number = number * 10 + (c - L'0');
        if (number > kMaxPrinterCopies) return false;
    }
    return true;
}

RemovalResult RunRemoval(const RemovalRequest& request, const InstallSystem& system, const ConfirmRemoval& confirm) {
    return Removal(request, system).Run(confirm);
}
