#include "core/printer_name_record.h"

#include <cstdio>

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

FileWriter::Result StdioFileWriter::WriteFile(const std::string& name, std::string_view bytes) {
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr) return Result::NotOpened;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed ? Result::Written : Result::WriteFailed;
}
