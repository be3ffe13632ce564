#include "core/pe_imports.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

// A minimal PE file: the headers, one section at 0x1000 (file offset 0x200) holding the
// import descriptors, then the delay-import descriptors, then the names.
struct Pe {
    std::vector<std::uint8_t> bytes;
    std::size_t optional = 0;  // the optional header
    std::size_t section = 0;   // the one section's header
    std::size_t delays = 0;    // the first delay-import descriptor

    void Put32(std::size_t offset, std::uint32_t value) {
        if (bytes.size() < offset + 4) bytes.resize(offset + 4);
        for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    std::uint32_t Get32(std::size_t offset) const {
        std::uint32_t value = 0;
        for (std::size_t i = 4; i-- > 0;) value = (value << 8) | bytes[offset + i];
        return value;
    }
    std::size_t directories() const { return optional + (Get32(optional) == 0x20B ? 112 : 96); }
};

constexpr std::uint32_t kSectionAddress = 0x1000;
constexpr std::size_t kSectionOffset = 0x200;
constexpr std::uint32_t kImageBase32 = 0x400000;

Pe BuildPe(bool is64, const Names& imports, const Names& delayImports) {
    Pe pe;
    pe.bytes.assign(kSectionOffset, 0);
    pe.bytes[0] = 'M';
    pe.bytes[1] = 'Z';
    pe.Put32(0x3C, 0x40);
    pe.Put32(0x40, 0x00004550);
    pe.Put32(0x44, (is64 ? 0x8664u : 0x14Cu) | (1u << 16));  // machine, one section
    pe.Put32(0x54, (is64 ? 240u : 224u));                    // size of the optional header
    pe.optional = 0x58;
    pe.Put32(pe.optional, is64 ? 0x20B : 0x10B);  // magic
    if (!is64) pe.Put32(pe.optional + 28, kImageBase32);
    pe.Put32(pe.optional + 60, kSectionOffset);     // size of the headers
    pe.Put32(pe.optional + (is64 ? 108 : 92), 16);  // directories
    pe.section = pe.optional + (is64 ? 240 : 224);

    const std::uint32_t importsAt = kSectionAddress;
    const auto delaysAt = static_cast<std::uint32_t>(importsAt + 20 * (imports.size() + 1));
    auto nameAt = static_cast<std::uint32_t>(delaysAt + 32 * (delayImports.size() + 1));
    const auto offset = [](std::uint32_t address) { return kSectionOffset + (address - kSectionAddress); };
    const auto putName = [&](const std::string& name) {
        const std::uint32_t at = nameAt;
        pe.bytes.resize(offset(at) + name.size() + 1, 0);
        std::memcpy(pe.bytes.data() + offset(at), name.c_str(), name.size() + 1);
        nameAt += static_cast<std::uint32_t>(name.size() + 1);
        return at;
    };
    pe.bytes.resize(offset(nameAt), 0);
    for (std::size_t i = 0; i < imports.size(); ++i) {
        pe.Put32(offset(importsAt) + 20 * i + 12, putName(imports[i]));
        pe.Put32(offset(importsAt) + 20 * i + 16, 0x9000);  // the addresses to fill: unread
    }
    pe.delays = offset(delaysAt);
    for (std::size_t i = 0; i < delayImports.size(); ++i) {
        pe.Put32(pe.delays + 32 * i, 1);  // names as RVAs
        pe.Put32(pe.delays + 32 * i + 4, putName(delayImports[i]));
    }
    const std::size_t dirs = pe.directories();
    if (!imports.empty()) {
        pe.Put32(dirs + 8, importsAt);
        pe.Put32(dirs + 12, static_cast<std::uint32_t>(20 * (imports.size() + 1)));
    }
    if (!delayImports.empty()) {
        pe.Put32(dirs + 104, delaysAt);
        pe.Put32(dirs + 108, static_cast<std::uint32_t>(32 * (delayImports.size() + 1)));
    }

    const auto size = static_cast<std::uint32_t>(pe.bytes.size() - kSectionOffset);
    std::memcpy(pe.bytes.data() + pe.section, ".idata", 6);
    pe.Put32(pe.section + 8, size);
    pe.Put32(pe.section + 12, kSectionAddress);
    pe.Put32(pe.section + 16, size);
    pe.Put32(pe.section + 20, kSectionOffset);
    return pe;
}

const Names kImports = {"KERNEL32.dll", "SHELL32.dll", "compstui.dll"};
const Names kDelayImports = {"WINSPOOL.DRV", "setupapi.dll"};

const Names kAll = {"KERNEL32.dll", "SHELL32.dll", "compstui.dll", "WINSPOOL.DRV", "setupapi.dll"};
const Names kAllButTheLast = {"KERNEL32.dll", "SHELL32.dll", "compstui.dll", "WINSPOOL.DRV"};

TEST(ImportedLibraries, AreEachOnceInTheirFirstSpelling) {
    EXPECT_EQ(ImportedLibraries(BuildPe(false, kImports, kDelayImports).bytes), kAll);
    EXPECT_EQ(ImportedLibraries(BuildPe(true, kImports, kDelayImports).bytes), kAll);
    EXPECT_EQ(ImportedLibraries(BuildPe(true, {}, kDelayImports).bytes), kDelayImports);
    const Pe repeated = BuildPe(false, {"USER32.dll", "shell32.dll", "user32.DLL"}, {"Shell32.dll", "COMCTL32"});
    EXPECT_EQ(ImportedLibraries(repeated.bytes), Names({"USER32.dll", "shell32.dll", "COMCTL32"}));
}

// Where things are in BuildPe(false, kImports, kDelayImports).
constexpr std::size_t kOptional = 0x58;
constexpr std::size_t kSection = kOptional + 224;
constexpr std::size_t kImportDescriptors = kSectionOffset;
constexpr std::size_t kDelayDescriptors = kImportDescriptors + 20 * 4;
constexpr std::uint32_t kFirstName = kSectionAddress + 20 * 4 + 32 * 3;
constexpr std::uint32_t kFirstDelayName = kFirstName + 38;  // after KERNEL32.dll, SHELL32.dll, compstui.dll

struct Patch {
    std::size_t offset;
    std::uint32_t value;
};

// That file (64-bit: the optional header's offsets stay, the section header's move), with
// values put in it and then the last `cut` bytes cut off.
struct ImportCase {
    const char* what;
    bool is64;
    std::vector<Patch> patches;
    std::size_t cut;
    Names expected;
};

void PrintTo(const ImportCase& c, std::ostream* out) {
    *out << c.what;
}

class ImportedLibrariesTest : public testing::TestWithParam<ImportCase> {};

TEST_P(ImportedLibrariesTest, ReadWhatTheTablesHoldAndNothingElse) {
    const ImportCase& c = GetParam();
    Pe pe = BuildPe(c.is64, kImports, kDelayImports);
    for (const Patch& patch : c.patches) pe.Put32(patch.offset, patch.value);
    pe.bytes.resize(pe.bytes.size() - c.cut);
    EXPECT_EQ(ImportedLibraries(pe.bytes), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImportedLibrariesTest,
    testing::Values(ImportCase{"oldest delay layout: addresses",
                               false,
                               {{kDelayDescriptors, 0},
                                {kDelayDescriptors + 4, kImageBase32 + kFirstDelayName},
                                {kDelayDescriptors + 32, 0},
                                {kDelayDescriptors + 36, kImageBase32 + kFirstDelayName + 13}},
                               0,
                               kAll},
                    ImportCase{"an address below the image base",
                               false,
                               {{kDelayDescriptors, 0}},
                               0,
                               Names{"KERNEL32.dll", "SHELL32.dll", "compstui.dll", "setupapi.dll"}},
                    ImportCase{"a table ends at a descriptor without a name",
                               false,
                               {{kImportDescriptors + 20 + 12, 0}},
                               0,
                               Names{"KERNEL32.dll", "WINSPOOL.DRV", "setupapi.dll"}},
                    ImportCase{"an empty name is none",
                               false,
                               {{kImportDescriptors + 12, kFirstName + 12}},
                               0,
                               Names{"SHELL32.dll", "compstui.dll", "WINSPOOL.DRV", "setupapi.dll"}}));

INSTANTIATE_TEST_SUITE_P(
    LyingHeaders, ImportedLibrariesTest,
    testing::Values(ImportCase{"no MZ", false, {{0, 0}}, 0, {}},
                    ImportCase{"no PE signature", false, {{0x40, 0}}, 0, {}},
                    ImportCase{"PE header past the end", false, {{0x3C, 0xFFFFFFF0}}, 0, {}},
                    ImportCase{"unknown optional header", true, {{kOptional, 0x107}}, 0, {}},
                    ImportCase{"fewer directories than the imports'", false, {{kOptional + 92, 1}}, 0, {}},
                    ImportCase{"fewer directories than the delay imports'", true, {{kOptional + 108, 13}}, 0, kImports},
                    ImportCase{"no sections", false, {{0x44, 0x14C}}, 0, {}},
                    ImportCase{"thousands of sections, the table past the end", false, {{0x44, 0xFFFF014C}}, 0, {}},
                    ImportCase{"a section bigger than the file, cut in its last name",
                               false,
                               {{kSection + 8, 0xFFFFFFFF}, {kSection + 16, 0xFFFFFFFF}},
                               4,
                               kAllButTheLast},
                    ImportCase{"the file cut before the last name's end", false, {}, 1, kAllButTheLast},
                    ImportCase{"a section's data past the end", false, {{kSection + 20, 0xFFFFFF00}}, 0, {}},
                    ImportCase{
                        "imports outside every section", false, {{kOptional + 96 + 8, 0x7FFFFFF0}}, 0, kDelayImports},
                    ImportCase{"a section that ends in the second descriptor", false, {{kSection + 8, 30}}, 0, {}},
                    ImportCase{"names outside the file",
                               false,
                               {{kImportDescriptors + 12, 0xFFFFFFFF}, {kDelayDescriptors + 4, 0x7FFFFFFF}},
                               0,
                               Names{"SHELL32.dll", "compstui.dll", "setupapi.dll"}}));

TEST(SystemLibraryToLoad, IsAPlainFileOfNeitherAnApiSetNorAKnownLibrary) {
    const std::set<std::string> known = {"kernel32.dll", "shell32.dll"};
    const std::pair<const char*, const char*> cases[] = {{"COMPSTUI.dll", "compstui.dll"},
                                                         {"setupapi", "setupapi.dll"},
                                                         {"SHELL32.DLL", ""},
                                                         {"Kernel32", ""},
                                                         {"api-ms-win-core-l1-1-0.dll", ""},
                                                         {"EXT-MS-win-x-l1-1-0.dll", ""},
                                                         {"..\\evil.dll", ""},
                                                         {"sub/evil.dll", ""},
                                                         {"C:evil.dll", ""},
                                                         {"evil.dll:stream", ""},
                                                         {"evil.dll.", ""},
                                                         {"evil.dll ", ""},
                                                         {"\xC3\xA9vil.dll", ""},
                                                         {"", ""}};
    for (const auto& [imported, file] : cases) EXPECT_EQ(SystemLibraryToLoad(imported, known), file) << imported;
    EXPECT_EQ(SystemLibraryToLoad(std::string(256, 'a'), {}), "");
}

}  // namespace
