#pragma once

#include <string>
#include <string_view>

#include "core/install_system.h"

// The record file's name when no /record: names another: in the current directory.
// Why a record is neither read nor written in place: anyone else could have made it, to
// name any printer for a removal to delete, or to have the name written where he chose.
inline constexpr std::wstring_view kRecordOwnerNotTrusted =
    L"is owned by an account other than the administrators, the system, TrustedInstaller and the user this "
    L"program runs as";
inline constexpr wchar_t kPrinterNameRecordFile[] = L"TollvekPrintName5249";

// The record file's bytes: each UTF-16 unit as one byte, up to the first unit above
// 0xFF. `whole` tells whether the name fitted.
std::string PrinterNameRecordBytes(std::wstring_view name, bool& whole);
// The name a record file's bytes hold: each byte one character.
std::wstring PrinterNameFromRecordBytes(std::string_view bytes);

struct PrinterNameRecordResult {
    int status;         // 1 when the file could be opened, -1 when not
    bool complete;      // the whole name is in the file
    SystemError error;  // why it is not, when the system said
};

PrinterNameRecordResult WritePrinterNameRecord(Files& files, const std::wstring& path, std::wstring_view name);
