#pragma once

#include <cstdint>

// What a choice in the settings page's port list does to the page and the record.
struct PortChoice {
    enum class SerialBoxes { Unchanged, Enable, Disable };

    SerialBoxes serialBoxes = SerialBoxes::Unchanged;
    bool warnAboutUsb = false;  // USB001 exists only while the printer is connected
    bool store = false;         // portIndex := the selection

    friend bool operator==(const PortChoice&, const PortChoice&) = default;
};

// `selection` is the list position, -1 when the list reports no selection.
PortChoice ChoosePort(std::int32_t selection);
