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

PrinterNameRecordResult WritePrinterNameRecord(FileWriter& files, std::wstring_view name) {
    bool whole = false;
    const std::string bytes = PrinterNameRecordBytes(name, whole);
    switch (files.WriteFile(kPrinterNameRecordFile, bytes)) {
        case FileWriter::Result::NotOpened:
            return {-1, false};
        case FileWriter::Result::WriteFailed:
            return {1, false};
        case FileWriter::Result::Written:
            break;
    }
    return {1, whole};
}
