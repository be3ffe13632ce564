#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/ports.h"

// What a choice in the settings page's port list does to the page and the record.
struct PortChoice {
    enum class SerialBoxes { Unchanged, Enable, Disable };

    SerialBoxes serialBoxes = SerialBoxes::Unchanged;
    bool warnAboutUsb = false;  // USB001 exists only while the printer is connected
    bool store = false;         // portIndex := the selection, portName := its spooler name
    std::wstring portName;

    friend bool operator==(const PortChoice&, const PortChoice&) = default;
};

// `selection` is the position in `list` (the page's, see PortList), -1 when the list
// reports no selection.
PortChoice ChoosePort(std::int32_t selection, const std::vector<PortEntry>& list);
