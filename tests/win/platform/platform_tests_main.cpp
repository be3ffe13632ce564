// The Windows tests of the platform layer. Besides running the tests, the program has a
// few child modes, in which the tests start it again to see what another process sees:
//
//   --child-read-comm OUTPUT PORT...     each port's stored default DCB, one line each
//   --child-install OS PORT BASE         an installation as the installer runs it;
//                                        the exit code is its outcome
//   --child-load LIBRARY [SEARCH]        LoadLibraryW by bare name; 0 when it loaded. SEARCH:
//                                        restricted (as start-up restricts it),
//                                        current-directory-out (as far as systems before
//                                        Windows 8 can restrict it), late-dependencies-loaded
//                                        (the same, and start-up's loading of the late
//                                        dependencies from the system directory)
//   --child-report FILE ...              writes its command line and current directory
//                                        into FILE, one line each; the exit code is 43
//   --child-handback NAME PRINTER         hands PRINTER back through the section NAME as
//                                        a run with administrator rights does; the exit
//                                        code is 44, or 1 when it could not
//   --child-time-limit LOG HANGS         a run that its time limit of one second ends
//                                        (see time_limit_test.cpp)
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/install_sequence.h"
#include "tests/win/platform/dcb_text.h"
#include "tests/win/platform/platform_support.h"
#include "win/platform/late_dependencies.h"
#include "win/platform/printer_name_handback.h"
#include "win/platform/system_paths.h"
#include "win/platform/win32_install_system.h"

namespace {

int ReadComm(const std::vector<std::wstring>& args) {
    std::ofstream out(std::filesystem::path(args.at(0)), std::ios::binary);
    for (std::size_t i = 1; i < args.size(); ++i) {
        COMMCONFIG config{};
        DWORD size = sizeof config;
        config.dwSize = size;
        if (::GetDefaultCommConfigW(args[i].c_str(), &config, &size)) {
            out << DcbText(config.dcb) << "\n";
        } else {
            out << "error " << ::GetLastError() << "\n";
        }
    }
    return out ? 0 : 1;
}

int Install(const std::vector<std::wstring>& args) {
    if (args.size() < 3) return 2;
    if (!RestrictLibrarySearch()) LoadLateDependencies();  // as start-up does
    InstallSettings settings;
    settings.osIndex = static_cast<OsChoice>(std::stoi(args[0]));
    settings.portIndex = std::stoi(args[1]);
    Win32DebugOutput debug;
    const CurrentRecordFolder record;
    Win32InstallSystem system(debug, record.folder.get(), false);
    return static_cast<int>(RunInstallation({settings, args[2], kTestInfPath, record.recordPath}, system.Get()).code);
}

int Load(const std::vector<std::wstring>& args) {
    if (args.empty()) return 2;
    const std::wstring search = args.size() > 1 ? args[1] : L"";
    if (search == L"restricted") RestrictLibrarySearch();
    if (search == L"current-directory-out" || search == L"late-dependencies-loaded") ::SetDllDirectoryW(L"");
    if (search == L"late-dependencies-loaded") LoadLateDependencies();
    return ::LoadLibraryW(args[0].c_str()) != nullptr ? 0 : 1;
}

int Report(const std::vector<std::wstring>& args) {
    if (args.empty()) return 2;
    std::ofstream out{std::filesystem::path(args[0]), std::ios::binary};
    out << ToUtf8(::GetCommandLineW()) << "\n" << ToUtf8(CurrentDirectory()) << "\n";
    return out ? 43 : 1;
}

int HandBack(const std::vector<std::wstring>& args) {
    if (args.size() < 2) return 2;
    return HandBackPrinterName(args[0], args[1]) == 0 ? 44 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2) {
        const std::wstring mode = argv[1];
        const std::vector<std::wstring> rest(argv + 2, argv + argc);
        if (mode == L"--child-read-comm") return ReadComm(rest);
        if (mode == L"--child-install") return Install(rest);
        if (mode == L"--child-load") return Load(rest);
        if (mode == L"--child-report") return Report(rest);
        if (mode == L"--child-handback") return HandBack(rest);
        if (mode == L"--child-time-limit") return RunUntilTheTimeLimit(rest);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
