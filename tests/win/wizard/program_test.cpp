// kestrin.exe as shipped: the resources it relies on, and whole runs under a debugger that reads its
// debugger lines while a second thread plays the user.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "res/resource_ids.h"
#include "tests/support/wine/wine_prefix.h"
#include "tests/win/wizard/page_driver.h"

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

// One run of kestrin.exe.
struct RunResult {
    DWORD exitCode = 0;
    std::vector<std::wstring> debugLines;
};

struct WindowSearch {
    DWORD pid;
    DWORD thread;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &owner);
    if (owner == search.pid && IsWindowVisible(window)) search.thread = thread;
    return search.thread == 0;
}

// The thread that runs the windows of process `pid`, once it shows one.
DWORD WaitForWindowThread(DWORD pid) {
    WindowSearch search{pid, 0};
    const DWORD start = GetTickCount();
    while (search.thread == 0 && GetTickCount() - start < 20000) {
        EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
        if (search.thread == 0) Sleep(20);
    }
    return search.thread;
}

std::wstring ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
    const std::size_t unit = info.fUnicode ? 2 : 1;
    std::vector<char> bytes(static_cast<std::size_t>(info.nDebugStringLength) * unit);
    SIZE_T read = 0;
    ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), bytes.size(), &read);
    if (info.fUnicode) {
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), read / 2);
        return text.substr(0, text.find(L'\0'));
    }
    // The system hands narrow text over in the process's code page.
    const std::string narrow(bytes.data(), strnlen(bytes.data(), read));
    std::wstring text(narrow.size(), L'\0');
    text.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()),
                                                             text.data(), static_cast<int>(text.size()))));
    return text;
}

// Starts `program` with `arguments` under this debugger; `user` plays the wizard from a
// thread of its own once the program shows a window.
RunResult RunUnderDebugger(const std::wstring& program, const std::wstring& arguments,
                           const std::function<void(Driver&)>& user) {
    RunResult result;
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                        temp, &startup, &process)) {
        ADD_FAILURE() << "cannot start the program: " << GetLastError();
        return result;
    }
    std::thread player;
    if (user) {
        player = std::thread([&, pid = process.dwProcessId] {
            const DWORD thread = WaitForWindowThread(pid);
            if (thread == 0) {
                ADD_FAILURE() << "the program showed no window";
                return;
            }
            Driver driver(thread, nullptr);
            user(driver);
        });
    }
    const DWORD start = GetTickCount();
    for (bool running = true; running;) {
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, 100)) {
            if (GetTickCount() - start > 60000) {
                ADD_FAILURE() << "the program did not end";
                TerminateProcess(process.hProcess, 99);
            }
            continue;
        }
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
            case OUTPUT_DEBUG_STRING_EVENT:
                result.debugLines.push_back(ReadDebugString(process.hProcess, event.u.DebugString));
                break;
            case CREATE_PROCESS_DEBUG_EVENT:
                CloseHandle(event.u.CreateProcessInfo.hFile);
                break;
            case LOAD_DLL_DEBUG_EVENT:
                CloseHandle(event.u.LoadDll.hFile);
                break;
            case EXCEPTION_DEBUG_EVENT:
                if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                    status = DBG_EXCEPTION_NOT_HANDLED;
                }
                break;
            case EXIT_PROCESS_DEBUG_EVENT:
                result.exitCode = event.u.ExitProcess.dwExitCode;
                running = false;
                break;
            default:
                break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    if (player.joinable()) player.join();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

std::wstring LibraryText(const std::wstring& file, UINT id) {
    HMODULE library = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    wchar_t text[512] = {};
    LoadStringW(library, id, text, 512);
    FreeLibrary(library);
    return text;
}

using Lines = std::vector<std::wstring>;

TEST(Startup, AnUnknownLanguageEndsSilently) {
    const RunResult run = RunUnderDebugger(KestrinExe(), L"ENG Kiosk1 C:\\drivers\\model", nullptr);
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_EQ(run.debugLines, Lines{});
}

TEST(Startup, AKnownLanguageWithoutNameOrPathWritesItsLinesAndShowsNothing) {
    const RunResult withoutPath = RunUnderDebugger(KestrinExe(), L"eng Kiosk1", nullptr);
    EXPECT_EQ(withoutPath.exitCode, 2u);
    EXPECT_EQ(withoutPath.debugLines, (Lines{L"eng", L"Kiosk1", L""}));
    const RunResult withoutBoth = RunUnderDebugger(KestrinExe(), L"esp", nullptr);
    EXPECT_EQ(withoutBoth.exitCode, 2u);
    EXPECT_EQ(withoutBoth.debugLines, (Lines{L"esp", L"", L""}));
}

TEST(Startup, CancelShowsTheChosenLanguageAndEndsWithoutInstalling) {
    const std::wstring heading = LibraryText(FolderOf(KestrinExe()) + L"rc_chi.dll", IDS_SELECT_OS);
    const RunResult run = RunUnderDebugger(KestrinExe(), L"chi Kiosk1 C:\\Program Files\\drv\\model", [&](Driver& d) {
        HWND os = d.WaitForPage(PageKind::Os);
        EXPECT_EQ(Driver::Text(os), heading);
        d.Click(os, IDC_OS_CANCEL);
    });
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.debugLines, (Lines{L"chi", L"Kiosk1", L"C:\\Program Files\\drv\\model"}));
}

TEST(Startup, WithoutItsLanguageLibraryTheWizardIsEnglish) {
    // A copy of the program alone in a folder of its own.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"kestrin-alone";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring alone = folder + L"\\kestrin.exe";
    ASSERT_TRUE(CopyFileW(KestrinExe().c_str(), alone.c_str(), FALSE));
    const RunResult run = RunUnderDebugger(alone, L"esp Kiosk1 C:\\drivers\\model", [](Driver& d) {
        HWND os = d.WaitForPage(PageKind::Os);
        EXPECT_EQ(Driver::Text(os), L"Select Operating System");
        EXPECT_EQ(Driver::Text(os, IDC_OS_NEXT), L"Next");
        d.Click(os, IDC_OS_CANCEL);
    });
    EXPECT_EQ(run.exitCode, 1u);
    DeleteFileW(alone.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST(Startup, FinishingRunsTheInstallation) {
    // Wine's spooler knows no driver "Tavik 10.0.0.11" here: the printer is not created.
    const RunResult run = RunUnderDebugger(KestrinExe(), L"eng Kiosk1 C:\\drivers\\model", [](Driver& d) {
        d.Click(d.WaitForPage(PageKind::Os), IDC_OS_NEXT);
        d.Click(d.WaitForPage(PageKind::Settings), IDC_SETTINGS_OK);
        d.Click(d.WaitForPage(PageKind::MessageBox), IDOK);
    });
    EXPECT_EQ(run.exitCode, 4u);
    ASSERT_GE(run.debugLines.size(), 5u);
    EXPECT_EQ(Lines(run.debugLines.begin(), run.debugLines.begin() + 3),
              (Lines{L"eng", L"Kiosk1", L"C:\\drivers\\model"}));
    EXPECT_EQ(run.debugLines[4], L" /dd /ia /f C:\\drivers\\model.inf /m \"Tavik 10.0.0.11\"");
    EXPECT_EQ(run.debugLines.back(), L"出现错误，退出！");
}

std::string FileBytes(const std::wstring& file) {
    std::string bytes;
    if (FILE* in = _wfopen(file.c_str(), L"rb")) {
        char buffer[256];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, in)) > 0;) bytes.append(buffer, n);
        fclose(in);
    }
    return bytes;
}

TEST(Startup, FinishingWithTheDriverRegisteredCreatesThePrinter) {
    wine_prefix::RegisterTavikDriver();
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring record = std::wstring(temp) + L"TollvekPrintName5249";
    DeleteFileW(record.c_str());
    const RunResult run = RunUnderDebugger(KestrinExe(), L"eng Kiosk2 C:\\drivers\\tavik", [](Driver& d) {
        d.Click(d.WaitForPage(PageKind::Os), IDC_OS_NEXT);
        HWND settings = d.WaitForPage(PageKind::Settings);
        d.Choose(settings, IDC_PORT, 4);  // COM2
        d.Click(settings, IDC_SETTINGS_OK);
    });
    wine_prefix::UnregisterTavikDriver();
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(FileBytes(record), "Kiosk2");
    DeleteFileW(record.c_str());
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
