#include "core/ports.h"

#include <algorithm>

namespace {

wchar_t Upper(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

std::wstring UpperCase(std::wstring_view text) {
    std::wstring upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
    return upper;
}

bool AllDigits(std::wstring_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

}  // namespace

std::optional<std::wstring> SpoolerPortName(std::wstring_view text) {
    const std::wstring upper = UpperCase(text);
    const std::wstring_view name = upper;
    if (name.starts_with(L"USB")) {
        const std::wstring_view number = name.substr(3);
        if (number.size() != 3 || !AllDigits(number) || number == L"000") return std::nullopt;
        return upper;
    }
    if (!name.starts_with(L"LPT") && !name.starts_with(L"COM")) return std::nullopt;
    std::wstring_view number = name.substr(3);
    if (number.ends_with(L':')) number.remove_suffix(1);
    if (!AllDigits(number) || number.size() > 3 || number.front() == L'0') return std::nullopt;
    return std::wstring(name.substr(0, 3)) + std::wstring(number) + L":";
}

std::vector<PortEntry> PortList(const std::vector<std::wstring>& machinePorts) {
    std::vector<PortEntry> list;
    list.reserve(kFixedPorts.size() + machinePorts.size());
    for (const PortRow& row : kFixedPorts)
        list.push_back({std::wstring(row.listText), std::wstring(row.spoolerName), row.warns});
    for (const std::wstring& port : machinePorts) {
        // Only the three forms: a file, a network or a virtual port is no printer's.
        const std::optional<std::wstring> name = SpoolerPortName(port);
        if (!name) continue;
        if (std::any_of(list.begin(), list.end(), [&](const PortEntry& e) { return e.spoolerName == *name; })) continue;
        std::wstring shown = *name;
        if (shown.ends_with(L':')) shown.pop_back();
        list.push_back({shown, *name, false});
    }
    return list;
}

bool IsComPortName(std::wstring_view spoolerName) {
    return spoolerName.starts_with(L"COM");
}

std::wstring ComDeviceName(std::wstring_view spoolerName) {
    if (spoolerName.ends_with(L':')) spoolerName.remove_suffix(1);
    return std::wstring(spoolerName);
}

std::optional<std::wstring> ChosenPort(std::int32_t portIndex, const std::wstring& portName) {
    if (!portName.empty()) return portName;
    if (portIndex < 0 || static_cast<std::size_t>(portIndex) >= kFixedPorts.size()) return std::nullopt;
    return std::wstring(kFixedPorts[static_cast<std::size_t>(portIndex)].spoolerName);
}

UsbPortSearch FindUsbPrinterPort(const std::vector<UsbPrinterPort>& ports, const std::vector<std::wstring>& modelIds) {
    const auto matches = [&](const UsbPrinterPort& port) {
        return std::any_of(port.ids.begin(), port.ids.end(), [&](const std::wstring& id) {
            return std::any_of(modelIds.begin(), modelIds.end(),
                               [&](const std::wstring& model) { return UpperCase(model) == UpperCase(id); });
        });
    };
    std::vector<const UsbPrinterPort*> matching;
    for (const UsbPrinterPort& port : ports) {
        if (matches(port)) matching.push_back(&port);
    }
    if (matching.size() == 1) return {UsbPortSearch::Outcome::Found, matching.front()->port, true};
    if (matching.size() > 1) return {UsbPortSearch::Outcome::SeveralMatch, L"", false};
    if (ports.size() == 1) return {UsbPortSearch::Outcome::Found, ports.front().port, false};
    return {UsbPortSearch::Outcome::NotFound, L"", false};
}

std::wstring DescribeUsbPorts(const std::vector<UsbPrinterPort>& ports) {
    if (ports.empty()) return L"none";
    std::wstring text;
    for (const UsbPrinterPort& port : ports) {
        if (!text.empty()) text += L"; ";
        text += port.port + L" (";
        for (std::size_t i = 0; i < port.ids.size(); ++i) text += (i > 0 ? L", " : L"") + port.ids[i];
        text += L")";
    }
    return text;
}
