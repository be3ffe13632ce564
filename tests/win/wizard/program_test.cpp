// kestrin.exe as shipped: the resources it relies on, which no end-to-end scenario looks
// at, and its choice of page on each system Wine can pretend to be.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "tests/support/utility.h"
#include "win/platform/handles.h"

namespace {

std::wstring KestrinExe() {
    const char* path = getenv("KESTRIN_EXE");
    return path == nullptr ? std::wstring() : WindowsPath(FromUtf8(path));
}

// The shipped program's resources, mapped as data.
class Resources : public testing::Test {
protected:
    void SetUp() override {
        module.reset(LoadLibraryExW(KestrinExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(module) << "KESTRIN_EXE names no program";
    }

    std::vector<unsigned char> Bytes(const wchar_t* type, const wchar_t* name) const {
        HRSRC resource = FindResourceW(module.get(), name, type);
        if (resource == nullptr) return {};
        const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module.get(), resource)));
        return {data, data + SizeofResource(module.get(), resource)};
    }

    UniqueModule module;
};

TEST_F(Resources, IconStringsManifestAndVersion) {
    // The icon group: 16, 32 and 48 pixel images (entries of 14 bytes after 6).
    const std::vector<unsigned char> icon = Bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_KESTRIN));
    ASSERT_GE(icon.size(), 6u);
    std::vector<int> sizes;
    for (std::size_t entry = 6; entry + 14 <= icon.size(); entry += 14) sizes.push_back(icon[entry]);
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));

    wchar_t text[32] = {};
    LoadStringW(module.get(), IDS_MODEL_MELOR, text, 32);
    EXPECT_STREQ(text, L"Melor");
    LoadStringW(module.get(), IDS_MODEL_TAVIK, text, 32);
    EXPECT_STREQ(text, L"Tavik");

    // The execution level, the common controls of version 6 and the system's DPI; no
    // supported systems, so later ones report 6.2.
    const std::vector<unsigned char> bytes = Bytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
    const std::string manifest(bytes.begin(), bytes.end());
    EXPECT_NE(manifest.find("requestedExecutionLevel level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
    EXPECT_EQ(manifest.find("supportedOS"), std::string::npos);
    EXPECT_EQ(FindResourceW(module.get(), MAKEINTRESOURCEW(2), RT_MANIFEST), nullptr);

    DWORD ignored = 0;
    std::vector<char> version(GetFileVersionInfoSizeW(KestrinExe().c_str(), &ignored));
    ASSERT_TRUE(GetFileVersionInfoW(KestrinExe().c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
    wchar_t* product = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\StringFileInfo\\040904b0\\ProductName",
                               reinterpret_cast<void**>(&product), &length));
    EXPECT_STREQ(product, L"Kestrin");
}

// DetectOsIndex on the systems Wine can pretend to be, through a probe program whose
// exit code is the choice + 1.
struct SystemRow {
    const char* wineVersion;
    std::int32_t osIndex;
};

void PrintTo(const SystemRow& row, std::ostream* out) {
    *out << row.wineVersion;
}

class OsDetection : public testing::TestWithParam<SystemRow> {};

TEST_P(OsDetection, ChoosesTheSystemsPage) {
    ASSERT_TRUE(SetRegistryText(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\kestrin_os_probe.exe", L"Version",
                                FromUtf8(GetParam().wineVersion)));
    EXPECT_EQ(RunProcess(L"\"" + ProgramDirectory() + L"\\kestrin_os_probe.exe\"", 30000),
              std::optional<DWORD>(GetParam().osIndex + 1));
}

INSTANTIATE_TEST_SUITE_P(WineVersions, OsDetection,
                         testing::Values(SystemRow{"win2k", 0}, SystemRow{"winxp", 1}, SystemRow{"winxp64", 1},
                                         SystemRow{"win2003", 2}, SystemRow{"vista", 3}, SystemRow{"win2008", 3},
                                         SystemRow{"win7", 4}, SystemRow{"win2008r2", 4}, SystemRow{"win8", 5},
                                         SystemRow{"win10", 5}),
                         [](const auto& row) { return std::string(row.param.wineVersion); });

}  // namespace
