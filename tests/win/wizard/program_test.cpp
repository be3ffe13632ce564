// kestrin.exe as shipped: the resources it relies on, which no end-to-end scenario looks
// at, and its choice of page on each system Wine can pretend to be.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource_ids.h"

namespace {

// A path of the machine that runs Wine, as Windows programs see it.
std::wstring WindowsPath(const char* hostPath) {
    std::wstring path(hostPath, hostPath + strlen(hostPath));
    if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

std::wstring KestrinExe() {
    const char* path = getenv("KESTRIN_EXE");
    return path == nullptr ? std::wstring() : WindowsPath(path);
}

std::wstring FolderOf(const std::wstring& file) {
    return file.substr(0, file.find_last_of(L'\\') + 1);
}

// The shipped program's resources, mapped as data.
class Resources : public testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryExW(KestrinExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << "KESTRIN_EXE names no program";
    }
    void TearDown() override { FreeLibrary(module); }

    std::vector<unsigned char> Bytes(const wchar_t* type, const wchar_t* name) const {
        HRSRC resource = FindResourceW(module, name, type);
        if (resource == nullptr) return {};
        const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module, resource)));
        return {data, data + SizeofResource(module, resource)};
    }

    HMODULE module = nullptr;
};

TEST_F(Resources, IconStringsManifestAndVersion) {
    // The icon group: 16, 32 and 48 pixel images (entries of 14 bytes after 6).
    const std::vector<unsigned char> icon = Bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_KESTRIN));
    ASSERT_GE(icon.size(), 6u);
    std::vector<int> sizes;
    for (std::size_t entry = 6; entry + 14 <= icon.size(); entry += 14) sizes.push_back(icon[entry]);
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));

    wchar_t text[32] = {};
    LoadStringW(module, IDS_MODEL_MELOR, text, 32);
    EXPECT_STREQ(text, L"Melor");
    LoadStringW(module, IDS_MODEL_TAVIK, text, 32);
    EXPECT_STREQ(text, L"Tavik");

    // Only the execution level: no supported systems, so later ones report 6.2.
    const std::vector<unsigned char> bytes = Bytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
    const std::string manifest(bytes.begin(), bytes.end());
    EXPECT_NE(manifest.find("requestedExecutionLevel level=\"asInvoker\""), std::string::npos);
    EXPECT_EQ(manifest.find("supportedOS"), std::string::npos);
    EXPECT_EQ(manifest.find("<dependency"), std::string::npos);
    EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(2), RT_MANIFEST), nullptr);

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
    const wchar_t* wineVersion;
    std::int32_t osIndex;
};

void PrintTo(const SystemRow& row, std::ostream* out) {
    *out << std::string(row.wineVersion, row.wineVersion + wcslen(row.wineVersion));
}

class OsDetection : public testing::TestWithParam<SystemRow> {};

DWORD RunProbe() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring probe = FolderOf(self) + L"kestrin_os_probe.exe";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(probe.c_str(), probe.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return 0xFFFFFFFF;
    }
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

TEST_P(OsDetection, ChoosesTheSystemsPage) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\kestrin_os_probe.exe", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring version = GetParam().wineVersion;
    RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                   static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    EXPECT_EQ(RunProbe(), static_cast<DWORD>(GetParam().osIndex + 1));
}

INSTANTIATE_TEST_SUITE_P(WineVersions, OsDetection,
                         testing::Values(SystemRow{L"win2k", 0}, SystemRow{L"winxp", 1}, SystemRow{L"winxp64", 1},
                                         SystemRow{L"win2003", 2}, SystemRow{L"vista", 3}, SystemRow{L"win2008", 3},
                                         SystemRow{L"win7", 4}, SystemRow{L"win2008r2", 4}, SystemRow{L"win8", 5},
                                         SystemRow{L"win10", 5}),
                         [](const auto& row) {
                             return std::string(row.param.wineVersion,
                                                row.param.wineVersion + wcslen(row.param.wineVersion));
                         });

}  // namespace
