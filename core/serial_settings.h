#pragma once

#include <cstdint>

// A COM port's line values as the installation writes them: platform codes, not list
// positions (see serial_tables.h for the tables that turn one into the other).
struct SerialSettings {
    std::int32_t baudRate = 0;
    std::int32_t byteSize = 0;
    std::int32_t parity = 0;
    std::int32_t stopBits = 0;
    std::int32_t flowControl = 0;
};
