#include <windows.h>

// Leaves a mark in the process whenever this library's code runs: loaded as a language
// library, it must never run.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) SetEnvironmentVariableW(L"KESTRIN_MARKED_ENTRY_RAN", L"1");
    return TRUE;
}
