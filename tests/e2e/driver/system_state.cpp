#include "system_state.h"

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/support/utility.h"
#include "win/platform/handles.h"

namespace {

std::vector<std::wstring> ListedPrinterNames() {
    DWORD needed = 0;
    DWORD count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count)) {
        return {};
    }
    const auto* printers = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < count; ++i) names.emplace_back(printers[i].pPrinterName);
    return names;
}

std::wstring FlowName(const DCB& dcb) {
    const bool cts = dcb.fOutxCtsFlow, dsr = dcb.fOutxDsrFlow, outX = dcb.fOutX, inX = dcb.fInX;
    const unsigned dtr = dcb.fDtrControl, rts = dcb.fRtsControl;
    if (cts && dsr && !outX && !inX && dtr == DTR_CONTROL_HANDSHAKE && rts == RTS_CONTROL_HANDSHAKE) {
        return L"hardware";
    }
    if (!cts && !dsr && outX && inX && dtr == DTR_CONTROL_ENABLE && rts == RTS_CONTROL_ENABLE) return L"xonxoff";
    if (!cts && !dsr && !outX && !inX && dtr == DTR_CONTROL_ENABLE && rts == RTS_CONTROL_ENABLE) return L"none";
    return L"cts" + std::to_wstring(cts) + L"-dsr" + std::to_wstring(dsr) + L"-dtr" + std::to_wstring(dtr) + L"-rts" +
           std::to_wstring(rts) + L"-outx" + std::to_wstring(outX) + L"-inx" + std::to_wstring(inX);
}

std::wstring ParityName(BYTE parity) {
    static const wchar_t* const names[] = {L"none", L"odd", L"even", L"mark", L"space"};
    return parity < 5 ? names[parity] : std::to_wstring(parity);
}

std::wstring StopBitsName(BYTE stopBits) {
    static const wchar_t* const names[] = {L"1", L"1.5", L"2"};
    return stopBits < 3 ? names[stopBits] : std::to_wstring(stopBits);
}

}  // namespace

std::wstring CommSettings::Describe() const {
    return port + L" " + std::to_wstring(baudRate) + L" " + std::to_wstring(byteSize) + L" " + parity + L" " +
           stopBits + L" " + flow;
}

std::optional<Printer> PrinterIfItOpens(const std::wstring& name) {
    // A listed name proves nothing under Wine: a half-created printer is listed too.
    UniquePrinter printer(nullptr, PrinterPolicy{&ClosePrinter});
    if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), printer.put(), nullptr) || !printer) return std::nullopt;
    DWORD needed = 0;
    GetPrinterW(printer.get(), 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !GetPrinterW(printer.get(), 2, buffer.data(), needed, &needed)) return std::nullopt;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    auto text = [](const wchar_t* s) { return std::wstring(s ? s : L""); };
    return Printer{text(info->pPrinterName), text(info->pPortName), text(info->pDriverName)};
}

std::vector<std::wstring> InstalledDrivers(const std::wstring& environment) {
    std::wstring name = environment;
    DWORD needed = 0;
    DWORD count = 0;
    EnumPrinterDriversW(nullptr, name.data(), 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !EnumPrinterDriversW(nullptr, name.data(), 1, buffer.data(), needed, &needed, &count)) return {};
    const auto* drivers = reinterpret_cast<const DRIVER_INFO_1W*>(buffer.data());
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < count; ++i) names.emplace_back(drivers[i].pName);
    return names;
}

std::optional<CommSettings> ReadCommSettings(const std::wstring& port) {
    COMMCONFIG config{};
    config.dwSize = sizeof config;
    DWORD size = sizeof config;
    if (!GetDefaultCommConfigW(port.c_str(), &config, &size)) return std::nullopt;
    const DCB& dcb = config.dcb;
    const auto* bytes = reinterpret_cast<const unsigned char*>(&config);
    return CommSettings{
        port,          dcb.BaudRate,         dcb.ByteSize, ParityName(dcb.Parity), StopBitsName(dcb.StopBits),
        FlowName(dcb), {bytes, bytes + size}};
}

SystemState ReadSystemState(const std::wstring& recordFile) {
    SystemState state;
    for (const std::wstring& name : ListedPrinterNames()) {
        if (auto printer = PrinterIfItOpens(name)) state.printers.push_back(*printer);
    }
    std::sort(state.printers.begin(), state.printers.end(),
              [](const Printer& a, const Printer& b) { return a.name < b.name; });

    DWORD size = 0;
    GetDefaultPrinterW(nullptr, &size);
    if (size != 0) {
        std::wstring name(size, L'\0');
        if (GetDefaultPrinterW(name.data(), &size)) {
            name.resize(wcslen(name.c_str()));
            state.defaultPrinter = name;
        }
    }

    state.record = FileBytes(recordFile);

    for (const wchar_t* port : {L"COM1", L"COM2", L"COM3", L"COM4"}) {
        if (auto settings = ReadCommSettings(port)) state.comm.push_back(*settings);
    }
    return state;
}

std::vector<std::wstring> RestoreState(const SystemState& earlier, const SystemState& now,
                                       const std::wstring& recordFile) {
    std::vector<std::wstring> failures;
    for (const Printer& printer : now.printers) {
        const bool added = std::none_of(earlier.printers.begin(), earlier.printers.end(),
                                        [&](const Printer& p) { return p.name == printer.name; });
        if (!added) continue;
        UniquePrinter handle(nullptr, PrinterPolicy{&ClosePrinter});
        PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
        const bool deleted = OpenPrinterW(const_cast<wchar_t*>(printer.name.c_str()), handle.put(), &access) &&
                             DeletePrinter(handle.get());
        if (!deleted) failures.push_back(L"cannot remove the printer " + printer.name);
    }
    if (earlier.defaultPrinter && !SetDefaultPrinterW(earlier.defaultPrinter->c_str())) {
        failures.push_back(L"cannot make " + *earlier.defaultPrinter + L" the default printer again");
    }
    DeleteFileW(recordFile.c_str());
    if (earlier.record) {
        std::ofstream file(std::filesystem::path(recordFile), std::ios::binary);
        file << *earlier.record;
        if (!file) failures.push_back(L"cannot write the record file again");
    }
    for (const CommSettings& port : earlier.comm) {
        auto stored = port.stored;
        if (!SetDefaultCommConfigW(port.port.c_str(), reinterpret_cast<COMMCONFIG*>(stored.data()),
                                   static_cast<DWORD>(stored.size()))) {
            failures.push_back(L"cannot put back the settings of " + port.port);
        }
    }
    return failures;
}
