#include "win/platform/late_dependencies.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <set>
#include <span>
#include <string>

#include "core/pe_imports.h"
#include "win/platform/handles.h"
#include "win/platform/system_paths.h"

namespace {

constexpr wchar_t kKnownLibrariesKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\KnownDLLs";
constexpr const char* kRoots[] = {"printui.dll", "winspool.drv"};
// Far more than the few dozen these lead to on any Windows: the walk ends whatever the
// files say.
constexpr std::size_t kMaxLibraries = 512;

// A file's bytes, mapped for reading while the object lives; none when it cannot be.
class MappedFile {
public:
    explicit MappedFile(const std::wstring& path) {
        const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        BY_HANDLE_FILE_INFORMATION information{};
        if (!file || !::GetFileInformationByHandle(file.get(), &information)) return;
        // Nothing to read in an empty file, and no library is 4 GB.
        if (information.nFileSizeHigh != 0 || information.nFileSizeLow == 0) return;
        // A section of exactly that size: the file cannot shrink under the view while it is mapped.
        const UniqueProcessHandle section(
            ::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, information.nFileSizeLow, nullptr));
        if (!section) return;
        view_ = ::MapViewOfFile(section.get(), FILE_MAP_READ, 0, 0, information.nFileSizeLow);
        if (view_ != nullptr) size_ = information.nFileSizeLow;
    }
    ~MappedFile() {
        if (view_ != nullptr) ::UnmapViewOfFile(view_);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::span<const std::uint8_t> Bytes() const { return {static_cast<const std::uint8_t*>(view_), size_}; }

private:
    void* view_ = nullptr;
    std::size_t size_ = 0;
};

// The file names under the KnownDLLs key, in lower case.
std::set<std::string> KnownLibraries() {
    std::set<std::string> known;
    UniqueRegistryKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKnownLibrariesKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
        return known;
    }
    for (DWORD index = 0; index < 4096; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        wchar_t data[MAX_PATH + 1] = {};
        DWORD dataSize = MAX_PATH * sizeof(wchar_t);  // the last unit stays a terminator
        DWORD type = 0;
        const LONG result = ::RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) break;
        // Longer than any library's name, or no name at all (the folder the key also gives).
        if (result != ERROR_SUCCESS || type != REG_SZ) continue;
        std::string file;
        for (const wchar_t* c = data; *c != L'\0'; ++c) {
            file.push_back(static_cast<char>(*c >= L'A' && *c <= L'Z' ? *c - L'A' + L'a' : *c));
        }
        // An import table's names are ASCII: no other name can be one of them.
        if (std::all_of(data, data + file.size(), [](wchar_t c) { return c <= 0x7E; })) known.insert(file);
    }
    return known;
}

// An import table's names are ASCII (SystemLibraryToLoad sees to that).
std::wstring Wide(const std::string& name) {
    return std::wstring(name.begin(), name.end());
}

}  // namespace

std::wstring LateDependencies::NotLoadedLine() const {
    if (notLoaded.empty()) return {};
    std::wstring line = L"not loaded from the system directory:";
    for (const std::wstring& file : notLoaded) line += L" " + file;
    return line;
}

LateDependencies LoadLateDependencies() {
    LateDependencies result;
    const std::set<std::string> known = KnownLibraries();
    std::deque<std::string> waiting(std::begin(kRoots), std::end(kRoots));
    std::set<std::string> seen(waiting.begin(), waiting.end());
    // A library that cannot be loaded is left out without a box of the system's own.
    const UINT errorMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    for (std::size_t read = 0; !waiting.empty() && read < kMaxLibraries; ++read) {
        const std::string file = std::move(waiting.front());
        waiting.pop_front();
        const std::wstring path = SystemFilePath(Wide(file));
        if (path.empty() || !IsFile(path)) continue;
        if (read >= std::size(kRoots)) {
            UniqueModule library = LoadSystemLibrary(Wide(file));
            if (library) {
                static_cast<void>(library.release());  // loaded for the rest of the run
                result.loaded.push_back(path);
            } else {
                result.notLoaded.push_back(Wide(file));
            }
        }
        const MappedFile mapped(path);
        for (const std::string& imported : ImportedLibraries(mapped.Bytes())) {
            std::string next = SystemLibraryToLoad(imported, known);
            if (!next.empty() && seen.insert(next).second) waiting.push_back(std::move(next));
        }
    }
    ::SetErrorMode(errorMode);
    return result;
}
