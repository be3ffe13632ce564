#include "win/platform/language_library.h"

#include "win/platform/system_paths.h"

namespace {

// Named only in the headers of systems since Vista, which alone accept it.
constexpr DWORD kLoadAsImageResource = 0x00000020;

constexpr int kTextBufferSize = 512;

// Empty when the module has no such text (LoadStringW gives no empty texts either).
std::wstring LoadText(HMODULE module, UINT id) {
    wchar_t text[kTextBufferSize] = {};
    const int length = ::LoadStringW(module, id, text, kTextBufferSize);
    return std::wstring(text, static_cast<std::size_t>(length > 0 ? length : 0));
}

}  // namespace

HMODULE LoadResourceLibrary(const wchar_t* path) {
    HMODULE module = ::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | kLoadAsImageResource);
    // Systems before Vista refuse the image-resource flag.
    if (module == nullptr) module = ::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

LanguageLibrary LanguageLibrary::Load(const Language& language) {
    // Only from the program's own folder: a bare name would reach the folders on PATH.
    const std::wstring folder = ThisProgramFolder();
    if (folder.empty()) return LanguageLibrary();
    return LanguageLibrary(LoadResourceLibrary((folder + language.LibraryFile()).c_str()));
}

std::wstring LanguageLibrary::Text(UINT id) const {
    if (module_ != nullptr) {
        if (std::wstring text = LoadText(module_, id); !text.empty()) return text;
    }
    return LoadText(::GetModuleHandleW(nullptr), id);
}
