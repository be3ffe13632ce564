// Any bytes read as an INF: reading ends, and a model found is the one asked for, in a
// models section that applies, with nothing made up at the end of its line.

#include <string_view>

#include "core/inf_file.h"
#include "core/install_sequence.h"
#include "fuzz/fuzz_input.h"

namespace {

bool SameIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    const auto fold = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

std::size_t LineLength(const InfModel& model) {
    std::size_t length = model.installSection.size();
    for (const std::wstring& id : model.ids) length += id.size();
    return length;
}

constexpr WindowsVersion kVersions[] = {{5, 1, 2600, 1}, {6, 1, 7601, 3}, {10, 0, 16299, 1}, {10, 0, 22631, 1}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const InfFile inf = InfFile::Parse(bytes);
    // Half a UTF-16 character at the end is nothing.
    const bool utf16 = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
    const InfFile even = InfFile::Parse(utf16 ? bytes.substr(0, size & ~std::size_t{1}) : bytes);

    for (const DriverEnvironment environment :
         {DriverEnvironment::X86, DriverEnvironment::Amd64, DriverEnvironment::Arm64}) {
        for (const WindowsVersion& version : kVersions) {
            const bool hasModels = inf.HasModelsFor(environment, version);
            FUZZ_CHECK(hasModels == even.HasModelsFor(environment, version));
            for (const std::wstring_view model : {std::wstring_view(kDriverModelName), std::wstring_view(L"m1")}) {
                const std::optional<InfModel> found = inf.FindModel(model, environment, version);
                FUZZ_CHECK(found == even.FindModel(model, environment, version));
                if (!found) continue;
                FUZZ_CHECK(hasModels);
                FUZZ_CHECK(SameIgnoringAsciiCase(found->name, model));
                FUZZ_CHECK(!found->modelsSection.empty());
                // Empty fields at a line's end are dropped, and no line grows without bound.
                FUZZ_CHECK(found->ids.empty() || !found->ids.back().empty());
                FUZZ_CHECK(LineLength(*found) <= 65536);
            }
        }
    }
    return 0;
}
