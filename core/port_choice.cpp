#include "core/port_choice.h"

#include "core/serial_tables.h"

namespace {

constexpr std::int32_t kUsb = 7;
static_assert(PortNameTable[kUsb] == L"USB001");

}  // namespace

PortChoice ChoosePort(std::int32_t selection) {
    // The installation needs a port from the table; a report of no selection keeps the
    // port chosen before.
    if (!TableEntry(PortNameTable, selection)) return {};
    if (IsComPort(selection)) return {PortChoice::SerialBoxes::Enable, false, true};
    // The serial boxes keep their state for USB001: a COM port's values stay visible.
    if (selection == kUsb) return {PortChoice::SerialBoxes::Unchanged, true, true};
    return {PortChoice::SerialBoxes::Disable, false, true};
}
