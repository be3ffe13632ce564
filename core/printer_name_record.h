#pragma once

#include <string>
#include <string_view>

#include "core/install_system.h"

inline constexpr char kPrinterNameRecordFile[] = "TollvekPrintName5249";

// The record file's bytes: each UTF-16 unit as one byte, up to the first unit above
// 0xFF. `whole` tells whether the name fitted.
std::string PrinterNameRecordBytes(std::wstring_view name, bool& whole);

struct PrinterNameRecordResult {
    int status;     // 1 when the file could be opened, -1 when not
    bool complete;  // the whole name is in the file
};

PrinterNameRecordResult WritePrinterNameRecord(FileWriter& files, std::wstring_view name);
