// Built as printui.dll and winspool.drv and put beside the test program, as someone
// might leave them in a download folder next to the installer. Loading it leaves a mark
// (a file named after the library with ".loaded" added), so a test can tell whether it
// was ever loaded.
#include <windows.h>

#include "win/platform/handles.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH + 8] = {};
    const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    lstrcatW(path, L".loaded");
    const UniqueFileHandle mark(
        ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return TRUE;
}

// What a caller of the real library would look for.
extern "C" __declspec(dllexport) DWORD WINAPI PrintUIEntryW(HWND, HINSTANCE, LPCWSTR, DWORD) {
    return 0;
}
