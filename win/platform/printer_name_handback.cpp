#include "win/platform/printer_name_handback.h"

#include <cstring>

#include "win/platform/administrators_only.h"

namespace {

// Longer than any printer name the spooler takes.
constexpr std::size_t kMaxNameCharacters = 1024;

// What the section holds; the length is written last, so that a name is read whole or not at all.
struct Handed {
    volatile LONG length;
    wchar_t text[kMaxNameCharacters];
};

std::wstring SectionPath(const std::wstring& name) {
    return L"Local\\" + name;
}

// Views of the section, unmapped when they go.
void* MapWhole(HANDLE section, DWORD access) {
    return ::MapViewOfFile(section, access, 0, 0, sizeof(Handed));
}

}  // namespace

std::unique_ptr<PrinterNameHandback> PrinterNameHandback::Create(DWORD& error) {
    AdministratorsOnly access(SECTION_ALL_ACCESS);
    SECURITY_ATTRIBUTES* const attributes = access.Attributes(error);
    if (attributes == nullptr) return nullptr;
    // A section of that name made by someone else first is never used: its access is
    // what its maker chose, and what it holds is his.
    for (DWORD attempt = 0; attempt < 16; ++attempt) {
        const std::wstring name = L"Kestrin-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(::GetTickCount()) + L"-" + std::to_wstring(attempt);
        UniqueProcessHandle section(::CreateFileMappingW(INVALID_HANDLE_VALUE, attributes, PAGE_READWRITE, 0,
                                                         sizeof(Handed), SectionPath(name).c_str()));
        error = ::GetLastError();
        if (!section) return nullptr;
        if (error == ERROR_ALREADY_EXISTS) continue;
        void* const view = MapWhole(section.get(), FILE_MAP_READ);
        if (view == nullptr) {
            error = ::GetLastError();
            return nullptr;
        }
        error = 0;
        return std::unique_ptr<PrinterNameHandback>(new PrinterNameHandback(std::move(section), view, name));
    }
    error = ERROR_ALREADY_EXISTS;
    return nullptr;
}

PrinterNameHandback::PrinterNameHandback(UniqueProcessHandle section, void* view, std::wstring name)
    : section_(std::move(section)), view_(view), name_(std::move(name)) {}

PrinterNameHandback::~PrinterNameHandback() {
    ::UnmapViewOfFile(view_);
}

std::optional<std::wstring> PrinterNameHandback::Read() const {
    const auto* handed = static_cast<const Handed*>(view_);
    const LONG length = handed->length;
    if (length <= 0 || static_cast<std::size_t>(length) > kMaxNameCharacters) return std::nullopt;
    return std::wstring(handed->text, static_cast<std::size_t>(length));
}

DWORD HandBackPrinterName(const std::wstring& name, const std::wstring& printer) {
    if (printer.empty() || printer.size() > kMaxNameCharacters) return ERROR_INVALID_PARAMETER;
    const UniqueProcessHandle section(::OpenFileMappingW(FILE_MAP_WRITE, FALSE, SectionPath(name).c_str()));
    if (!section) return ::GetLastError();
    void* const view = MapWhole(section.get(), FILE_MAP_WRITE);
    if (view == nullptr) return ::GetLastError();
    auto* handed = static_cast<Handed*>(view);
    std::memcpy(handed->text, printer.data(), printer.size() * sizeof(wchar_t));
    ::InterlockedExchange(&handed->length, static_cast<LONG>(printer.size()));
    ::UnmapViewOfFile(view);
    return 0;
}
