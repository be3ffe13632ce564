#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "win/platform/handles.h"

// How the run with administrator rights hands the printer's whole name back to the
// person's run that started it: a section in this session's namespace, made by the
// person's run, that only administrators and the system account may open. The record
// file cannot serve: it keeps only characters up to U+00FF.
class PrinterNameHandback {
public:
    // A section of a name no other object of the session has; null, with the error, when
    // it cannot be made.
    static std::unique_ptr<PrinterNameHandback> Create(DWORD& error);
    PrinterNameHandback(const PrinterNameHandback&) = delete;
    PrinterNameHandback& operator=(const PrinterNameHandback&) = delete;
    ~PrinterNameHandback();

    // The name the other run is given (/handback:), without the namespace.
    const std::wstring& Name() const { return name_; }
    // The printer's name handed back; nothing when none was.
    std::optional<std::wstring> Read() const;

private:
    PrinterNameHandback(UniqueProcessHandle section, void* view, std::wstring name);

    UniqueProcessHandle section_;
    void* view_;
    std::wstring name_;
};

// From the run with administrator rights: writes `printer` into the section `name` that
// the run which started it made. 0, or the system's error.
DWORD HandBackPrinterName(const std::wstring& name, const std::wstring& printer);
