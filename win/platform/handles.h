#pragma once

#include <windows.h>

#include "win/platform/unique_handle.h"

// Kernel objects whose "no handle" is null: processes, threads, jobs, mutexes, events.
struct NullHandlePolicy {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { ::CloseHandle(handle); }
};

// Kernel objects whose "no handle" is INVALID_HANDLE_VALUE: files, pipes from CreateFileW.
struct InvalidValueHandlePolicy {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) noexcept { ::CloseHandle(handle); }
};

struct ModulePolicy {
    using Handle = HMODULE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle module) noexcept { ::FreeLibrary(module); }
};

// The spooler's ClosePrinter lives in a library loaded at run time, so the policy
// carries the address it was given by whoever opened the printer.
struct PrinterPolicy {
    using Handle = HANDLE;
    using ClosePrinterFunction = BOOL(WINAPI*)(HANDLE);
    ClosePrinterFunction closePrinter = nullptr;
    static Handle Invalid() noexcept { return nullptr; }
    void Close(Handle printer) const noexcept {
        if (closePrinter != nullptr) closePrinter(printer);
    }
};

struct RegistryKeyPolicy {
    using Handle = HKEY;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle key) noexcept { ::RegCloseKey(key); }
};

// A device information set of setupapi.dll, which is loaded at run time like the
// spooler's library: the policy carries the address of its destroying function. An
// empty set is INVALID_HANDLE_VALUE, as SetupDiGetClassDevsW fails with it.
struct DeviceInfoSetPolicy {
    using Handle = void*;
    using DestroyFunction = BOOL(WINAPI*)(void*);
    DestroyFunction destroy = nullptr;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    void Close(Handle set) const noexcept {
        if (destroy != nullptr) destroy(set);
    }
};

using UniqueProcessHandle = UniqueHandle<NullHandlePolicy>;
using UniqueFileHandle = UniqueHandle<InvalidValueHandlePolicy>;
using UniqueModule = UniqueHandle<ModulePolicy>;
using UniquePrinter = UniqueHandle<PrinterPolicy>;
using UniqueRegistryKey = UniqueHandle<RegistryKeyPolicy>;
using UniqueDeviceInfoSet = UniqueHandle<DeviceInfoSetPolicy>;

// A function of a loaded module, typed. GetProcAddress hands out a generic pointer;
// going through void(*)() tells the compiler the cast is meant.
template <typename Function>
Function ProcAddress(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}
