#include "core/removal.h"

#include <algorithm>

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

// The steps of a removal: each ends it with a result, or lets the next one go on.
class Removal {
public:
    Removal(const RemovalRequest& request, const InstallSystem& system) : request_(request), system_(system) {}

    RemovalResult Run(const ConfirmRemoval& confirm) {
        if (!ReadRecord()) return result_;
        SystemError error = 0;
        system_.progress.Printer(result_.printerName);
        system_.progress.Enter(RunStep::PrinterRemoval);
        std::unique_ptr<OpenedPrinter> printer = system_.spooler.OpenForRemoval(result_.printerName, error);
        if (!printer) return PrinterNotThere(error);
        const std::wstring driver = printer->Driver();
        Line(L"the printer " + result_.printerName + L" uses the driver " + driver);
        if (driver != kDriverModelName) {
            return NotRemoved(Reason::OtherDriver, 0,
                              L"which is not the driver " + std::wstring(kDriverModelName) + L": nothing is removed");
        }
        if (!confirm(result_.printerName)) {
            Line(L"the printer " + result_.printerName + L" is not removed: the answer was No");
            return Ended(ExitCode::WizardNotFinished, Outcome::Declined);
        }
        if (const SystemError deleted = printer->Delete(); deleted != 0) {
            return NotRemoved(Reason::PrinterNotDeleted, deleted,
                              L"the printer " + result_.printerName + L" could not be deleted: " + ErrorText(deleted));
        }
        printer.reset();
        Line(L"the printer " + result_.printerName + L" is deleted");
        RemoveDriverWhenUnused();
        return DeleteRecord(Outcome::Removed);
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

    // The record names the printer; false when the removal ends here.
    bool ReadRecord() {
        system_.progress.Enter(RunStep::RecordReading);
        const std::wstring& path = request_.recordPath;
        SystemError error = 0;
        const std::optional<std::string> bytes = system_.files.ReadFile(path, kMaxRecordBytes, error);
        if (!bytes && (error == kErrorFileNotFound || error == kErrorPathNotFound)) {
            Line(L"nothing to remove: there is no record file " + path);
            Ended(ExitCode::Installed, Outcome::NothingFound);
            return false;
        }
        if (!bytes) {
            NotRemoved(Reason::RecordUnreadable, error,
                       L"the record file " + path + L" cannot be read: " + ErrorText(error));
            return false;
        }
        if (bytes->empty()) {
            Line(L"nothing to remove: the record file " + path + L" is empty");
            Ended(ExitCode::Installed, Outcome::NothingFound);
            return false;
        }
        result_.printerName = PrinterNameFromRecordBytes(*bytes);
        Line(L"the record file " + path + L" names the printer " + result_.printerName);
        if (!IsNameFromBase(result_.printerName, request_.basePrinterName)) {
            NotRemoved(Reason::NotThisBaseName, 0,
                       L"an installation with the base name " + request_.basePrinterName +
                           L" makes no printer of that name: nothing is removed");
            return false;
        }
        return true;
    }

    RemovalResult& PrinterNotThere(SystemError error) {
        if (error != kErrorInvalidPrinterName) {
            return NotRemoved(Reason::PrinterNotOpened, error,
                              L"the printer " + result_.printerName + L" cannot be opened: " + ErrorText(error) +
                                  L": nothing is removed");
        }
        Line(L"nothing to remove: there is no printer " + result_.printerName);
        return DeleteRecord(Outcome::NothingFound);
    }

    // The spooler of some systems removes a driver that printers still use: the
    // printers are counted here first.
    void RemoveDriverWhenUnused() {
        system_.progress.Enter(RunStep::DriverRemoval);
        const std::vector<std::wstring> drivers = system_.spooler.DriversInUse();
        const auto users = std::count(drivers.begin(), drivers.end(), std::wstring(kDriverModelName));
        if (users > 0) {
            Line(L"the driver " + std::wstring(kDriverModelName) + L" stays: " + std::to_wstring(users) +
                 (users == 1 ? L" printer uses it" : L" printers use it"));
            return;
        }
        const SystemError error = system_.spooler.DeleteDriver(kDriverModelName);
        Line(error == 0 ? L"the driver " + std::wstring(kDriverModelName) + L" is removed"
                        : L"the driver " + std::wstring(kDriverModelName) + L" stays: the spooler did not remove it, " +
                              ErrorText(error));
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
    const InstallationTurn turn(system);
    return Removal(request, system).Run(confirm);
}
