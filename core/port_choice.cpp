#include "core/port_choice.h"

PortChoice ChoosePort(std::int32_t selection, const std::vector<PortEntry>& list) {
    // The installation needs a port from the list; a report of no selection keeps the
    // port chosen before.
    if (selection < 0 || static_cast<std::size_t>(selection) >= list.size()) return {};
    const PortEntry& port = list[static_cast<std::size_t>(selection)];
    if (IsComPortName(port.spoolerName)) return {PortChoice::SerialBoxes::Enable, false, true, port.spoolerName};
    // The serial boxes keep their state for USB001: a COM port's values stay visible.
    if (port.warns) return {PortChoice::SerialBoxes::Unchanged, true, true, port.spoolerName};
    return {PortChoice::SerialBoxes::Disable, false, true, port.spoolerName};
}
