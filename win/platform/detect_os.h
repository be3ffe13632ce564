#pragma once

#include <cstdint>

// The operating-system choice for the running system: 0 Windows 2000 ... 5 Windows 8,
// -1 when it is not recognised.
std::int32_t DetectOsIndex();
