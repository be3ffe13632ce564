#include "core/printer_name_record.h"

std::string PrinterNameRecordBytes(std::wstring_view name, bool& whole) {
    std::string bytes;
    bytes.reserve(name.size());
    whole = true;
    for (const wchar_t unit : name) {
        if (static_cast<unsigned long>(unit) > 0xFF) {
            whole = false;
            break;
        }
        bytes.push_back(static_cast<char>(static_cast<unsigned char>(unit)));
    }
    return bytes;
}

std::wstring PrinterNameFromRecordBytes(std::string_view bytes) {
    std::wstring name;
    name.reserve(bytes.size());
    for (const char byte : bytes) name.push_back(static_cast<wchar_t>(static_cast<unsigned char>(byte)));
    return name;
}

PrinterNameRecordResult WritePrinterNameRecord(Files& files, const std::wstring& path, std::wstring_view name) {
    bool whole = false;
    const std::string bytes = PrinterNameRecordBytes(name, whole);
    const Files::Outcome outcome = files.WriteFile(path, bytes);
    switch (outcome.result) {
        case Files::Result::NotOpened:
            return {-1, false, outcome.error};
        case Files::Result::WriteFailed:
            return {1, false, outcome.error};
        case Files::Result::Written:
            break;
    }
    return {1, whole, 0};
}
