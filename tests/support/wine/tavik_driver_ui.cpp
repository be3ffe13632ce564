// The user-interface library registered for the test driver "Tavik 10.0.0.11".
//
// Wine's AddPrinterW writes no Datatype value for a printer whose description has none,
// and its own final open of the new printer then fails, so AddPrinterW reports failure
// for a printer it has in fact created. Wine loads this library and asks it for the
// printer's default device mode while it adds the printer, after the printer's key is
// written and before that final open: both times, this library gives every printer key
// that lacks a Datatype the value "RAW". That works for any printer name, including the
// "(copy of N)" names and names a user types.
//
// Built for both architectures; a 64-bit program loads the one under the driver
// directory "x64\3", a 32-bit one the one under "w32x86\3".
#include <windows.h>

namespace {

constexpr wchar_t kPrintersKey[] = L"System\\CurrentControlSet\\Control\\Print\\Printers";
constexpr wchar_t kRaw[] = L"RAW";

void GivePrintersADatatype() {
    HKEY printers = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPrintersKey, 0, KEY_READ, &printers) != ERROR_SUCCESS) return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[MAX_PATH];
        DWORD length = MAX_PATH;
        if (RegEnumKeyExW(printers, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY printer = nullptr;
        if (RegOpenKeyExW(printers, name, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &printer) != ERROR_SUCCESS) continue;
        if (RegQueryValueExW(printer, L"Datatype", nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND) {
            RegSetValueExW(printer, L"Datatype", 0, REG_SZ, reinterpret_cast<const BYTE*>(kRaw), sizeof kRaw);
        }
        RegCloseKey(printer);
    }
    RegCloseKey(printers);
}

// What the spooler hands a driver's DrvDocumentPropertySheets when it wants no user
// interface (the header is not in the cross compiler's headers).
struct DocumentPropertyHeader {
    WORD cbSize;
    WORD reserved;
    HANDLE printer;
    LPWSTR printerName;
    DEVMODEW* devModeIn;
    DEVMODEW* devModeOut;
    DWORD sizeOut;
    DWORD mode;
};

}  // namespace

// Without a property sheet: a size query (no output buffer) is answered with the size of
// a plain device mode, otherwise a default one is written.
extern "C" __declspec(dllexport) LONG WINAPI DrvDocumentPropertySheets(void* propertySheet, LPARAM parameter) {
    GivePrintersADatatype();
    auto* header = reinterpret_cast<DocumentPropertyHeader*>(parameter);
    if (propertySheet != nullptr || header == nullptr) return -1;
    if (header->mode == 0 || header->devModeOut == nullptr) {
        header->sizeOut = sizeof(DEVMODEW);
        return sizeof(DEVMODEW);
    }
    DEVMODEW* out = header->devModeOut;
    ZeroMemory(out, sizeof *out);
    if (header->printerName != nullptr) lstrcpynW(out->dmDeviceName, header->printerName, CCHDEVICENAME);
    out->dmSpecVersion = DM_SPECVERSION;
    out->dmSize = sizeof *out;
    return 1;  // IDOK
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) GivePrintersADatatype();
    return TRUE;
}
