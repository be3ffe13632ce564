// Any bytes read as a library file: reading stays in the buffer, the names found are the
// file's own, each once, and the first half of the file gives part of what the whole does.

#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/pe_imports.h"
#include "fuzz/fuzz_input.h"

namespace {

std::set<std::string> LowerCase(const std::vector<std::string>& names) {
    std::set<std::string> lower;
    for (std::string name : names) {
        for (char& c : name) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        lower.insert(std::move(name));
    }
    return lower;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> names = ImportedLibraries(file);
    const std::set<std::string> lower = LowerCase(names);
    FUZZ_CHECK(lower.size() == names.size());
    for (const std::string& name : names) {
        FUZZ_CHECK(!name.empty() && name.size() <= 255);
        FUZZ_CHECK(bytes.find(name + '\0') != std::string_view::npos);
        const std::string toLoad = SystemLibraryToLoad(name, {});
        FUZZ_CHECK(toLoad.find_first_of("\\/:") == std::string::npos);
        FUZZ_CHECK(toLoad.empty() || SystemLibraryToLoad(name, {toLoad}).empty());  // a known one never
    }
    for (const std::string& name : LowerCase(ImportedLibraries(file.first(size / 2)))) {
        FUZZ_CHECK(lower.contains(name));
    }
    return 0;
}
