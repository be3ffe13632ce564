#pragma once

#include <vector>

#include "core/install_system.h"

// The USB printer ports whose device is present, as the system's device list has them
// (the interfaces of the USB printer class), in the list's order.
//
// setupapi.dll is loaded by full path from the system directory, as the spooler's library
// is: the program imports nothing Windows XP lacks and never takes a library from beside
// itself. An interface whose port cannot be named (its `Base Name` or `Port Number`
// missing, empty or of another type) is left out; a device whose IDs cannot be read is
// listed without them. Empty when the list itself cannot be had.
std::vector<UsbPrinterPort> PresentUsbPrinterPorts();
