#include "win/platform/system_paths.h"

namespace {

// Newer than the headers we build against (Windows XP): looked up or spelled out here.
constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCWSTR);
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using AddDllDirectoryFunction = void*(WINAPI*)(LPCWSTR);

// LoadLibraryExW knows the search flags only where AddDllDirectory exists (Windows 8,
// or Vista and 7 with KB2533623); elsewhere it refuses them.
bool SystemKnowsLibrarySearchFlags() {
    return ProcAddress<AddDllDirectoryFunction>(Kernel32(), "AddDllDirectory") != nullptr;
}

}  // namespace

std::wstring SystemDirectory() {
    std::wstring directory(MAX_PATH, L'\0');
    for (;;) {
        const UINT length = ::GetSystemDirectoryW(directory.data(), static_cast<UINT>(directory.size()));
        if (length == 0) return {};
        if (length < directory.size()) {
            directory.resize(length);
            break;
        }
        directory.resize(length);  // too small: `length` counts the terminator too
    }
    if (!directory.empty() && directory.back() == L'\\') directory.pop_back();
    return directory;
}

std::wstring SystemFilePath(const std::wstring& fileName) {
    const std::wstring directory = SystemDirectory();
    // Never a path relative to the current drive's root.
    if (directory.empty()) return {};
    return directory + L"\\" + fileName;
}

std::wstring ThisProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ThisProgramFolder() {
    std::wstring folder = ThisProgramPath();
    folder.erase(folder.find_last_of(L'\\') + 1);
    return folder;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring CurrentDirectory() {
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return {};
    std::wstring directory(needed, L'\0');
    const DWORD length = ::GetCurrentDirectoryW(needed, directory.data());
    directory.resize(length < needed ? length : 0);
    return directory;
}

bool RestrictLibrarySearch() {
    if (const auto setDefault = ProcAddress<SetDefaultDllDirectoriesFunction>(Kernel32(), "SetDefaultDllDirectories")) {
        if (setDefault(kLoadLibrarySearchSystem32)) return true;
    }
    if (const auto setDllDirectory = ProcAddress<SetDllDirectoryFunction>(Kernel32(), "SetDllDirectoryW")) {
        setDllDirectory(L"");
    }
    return false;
}

bool InitCommonControls() {
    // As commctrl.h declares them; that header is not needed for two names.
    struct InitCommonControlsExArgument {
        DWORD dwSize;
        DWORD dwICC;
    };
    using InitCommonControlsExFunction = BOOL(WINAPI*)(const InitCommonControlsExArgument*);
    constexpr DWORD kWin95Classes = 0x000000FF;     // ICC_WIN95_CLASSES
    constexpr DWORD kStandardClasses = 0x00004000;  // ICC_STANDARD_CLASSES: buttons, lists, edit fields
    // Not a known DLL: the search restricted to the system directory finds it there, and
    // the manifest's version is the one that loads. It stays loaded for the pages.
    const HMODULE comctl32 = ::LoadLibraryW(L"comctl32.dll");
    const auto init = ProcAddress<InitCommonControlsExFunction>(comctl32, "InitCommonControlsEx");
    const InitCommonControlsExArgument classes = {sizeof classes, kWin95Classes | kStandardClasses};
    return init != nullptr && init(&classes) != FALSE;
}

UniqueModule LoadSystemLibrary(const std::wstring& fileName) {
    const std::wstring path = SystemFilePath(fileName);
    if (path.empty()) return UniqueModule();
    if (SystemKnowsLibrarySearchFlags()) {
        return UniqueModule(::LoadLibraryExW(path.c_str(), nullptr, kLoadLibrarySearchSystem32));
    }
    // Older systems: the libraries it needs are looked for in its own folder (the system
    // directory) before the program's.
    return UniqueModule(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

HMODULE Kernel32() {
    return ::GetModuleHandleW(L"kernel32.dll");
}
