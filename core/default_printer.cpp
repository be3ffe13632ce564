#include "core/default_printer.h"

#include "core/system_errors.h"

namespace {

// A UTC date and time.
struct CivilTime {
    std::int64_t year = 1970;
    int month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

std::wstring Digits(std::int64_t value, std::size_t width) {
    const std::wstring number = std::to_wstring(value);
    return std::wstring(number.size() < width ? width - number.size() : 0, L'0') + number;
}

std::wstring ErrorText(SystemError error) {
    return L"error " + std::to_wstring(error);
}

// Writes the whole entry, or leaves none: an entry without its version or its switch
// would still run its command at each logon, while the log said it was not registered.
SystemError RegisterDefaultForEachUser(const std::wstring& key, const std::wstring& printerName,
                                       const InstallSystem& system) {
    Registry& registry = system.registry;
    SystemError error = registry.SetString(key, L"", L"Kestrin: " + printerName + L" as the default printer", false);
    if (error == 0) {
        error = registry.SetString(
            key, L"StubPath",
            L"%SystemRoot%\\System32\\rundll32.exe printui.dll,PrintUIEntry /y /q /n \"" + printerName + L"\"", true);
    }
    if (error == 0) error = registry.SetString(key, L"Version", ActiveSetupVersion(system.clock.UnixSeconds()), false);
    if (error == 0) error = registry.SetNumber(key, L"IsInstalled", 1);
    if (error != 0) static_cast<void>(registry.DeleteKey(key));
    return error;
}

// The proleptic Gregorian calendar's date and time of a moment of the wall clock.
CivilTime CivilTimeFromUnixSeconds(std::int64_t seconds) {
    constexpr std::int64_t kDay = 86400;
    std::int64_t days = seconds / kDay;
    std::int64_t rest = seconds % kDay;
    if (rest < 0) {
        rest += kDay;
        --days;
    }
    // Days from 1970-01-01 to a date, counted in 400-year eras that begin on 0000-03-01,
    // so that a leap day is always the last day of its year.
    const std::int64_t shifted = days + 719468;
    const std::int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
    const std::int64_t dayOfEra = shifted - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    CivilTime time;
    time.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    time.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    time.year = yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0);
    time.hour = static_cast<int>(rest / 3600);
    time.minute = static_cast<int>(rest % 3600 / 60);
    time.second = static_cast<int>(rest % 60);
    return time;
}

}  // namespace

std::wstring ActiveSetupKey(std::wstring_view printerName) {
    return L"SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Kestrin default printer " +
           std::wstring(printerName);
}

std::wstring ActiveSetupVersion(std::int64_t unixSeconds) {
    const CivilTime t = CivilTimeFromUnixSeconds(unixSeconds);
    return Digits(t.year, 4) + L"," + Digits(t.month * 100 + t.day, 4) + L"," + Digits(t.hour * 100 + t.minute, 4) +
           L"," + Digits(t.second, 2);
}

void MakeDefaultPrinter(const std::wstring& printerName, const InstallSystem& system) {
    if (!system.systemInfo.RunsAsSystemAccount()) {
        if (const SystemError error = system.spooler.SetDefaultPrinter(printerName); error != 0) {
            system.debug.Write(L"the default printer could not be set: " + ErrorText(error));
        }
        return;
    }
    const std::wstring key = ActiveSetupKey(printerName);
    if (const SystemError error = RegisterDefaultForEachUser(key, printerName, system); error != 0) {
        system.debug.Write(L"the per-user default printer could not be registered: " + ErrorText(error));
        return;
    }
    system.debug.Write(L"the default printer is set for each user at their next logon (Active Setup: " + key + L")");
}

void WithdrawDefaultForEachUser(const std::wstring& printerName, const InstallSystem& system) {
    const std::wstring key = ActiveSetupKey(printerName);
    const SystemError error = system.registry.DeleteKey(key);
    // Only an installation as the system account made one.
    if (error == kErrorFileNotFound) return;
    system.debug.Write(error == 0
                           ? L"the default printer for each user's next logon is withdrawn (Active Setup: " + key + L")"
                           : L"the per-user default printer could not be withdrawn (Active Setup: " + key + L"): " +
                                 ErrorText(error));
}
