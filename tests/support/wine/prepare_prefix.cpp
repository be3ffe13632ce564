// kestrin_prepare_prefix.exe: makes the Wine prefix it runs in ready for printing, then
// (optionally) runs a program in it and ends with that program's exit code.
//
//   kestrin_prepare_prefix.exe [--rundll32 STAND-IN.exe] [-- PROGRAM [ARGUMENTS...]]
//
//   - registers the driver "Tavik 10.0.0.11" for 64-bit and 32-bit programs, with its
//     user-interface library from this program's folder (see wine_prefix.h);
//   - --rundll32: puts STAND-IN.exe in place of the system directory's rundll32.exe for
//     the rest of the prefix's life (a 32-bit kestrin_prepare_prefix.exe replaces the
//     32-bit one, a 64-bit one the 64-bit one). The target kestrin_standin_rundll32
//     (tests/win/platform) is such a stand-in: it creates the printer the installer's
//     rundll32 command names, where Wine's own rundll32 does nothing;
//   - everything after " -- " is started as it stands (the first word is the program),
//     from the current directory, and waited for.
//
// In CMake, with the prefix made private for the test:
//   add_test(NAME e2e_run COMMAND kestrin_prepare_prefix -- $<TARGET_FILE:kestrin> eng Kiosk1 C:\\drv\\model)
//   set_tests_properties(e2e_run PROPERTIES ENVIRONMENT KESTRIN_PRIVATE_PREFIX=1)
// Exit code: the program's, or 100 when preparing failed, 101 when the program could not
// be started, 102 for a command line it does not understand.
#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/wine/wine_prefix.h"

namespace {

constexpr int kPreparationFailed = 100;
constexpr int kNotStarted = 101;
constexpr int kUsage = 102;

struct Request {
    std::wstring standInRundll32;
    std::wstring program;  // the command line after " -- ", untouched
};

// The words before " -- " are ours (none of them holds a space); the rest is handed on
// exactly as it was written.
bool Parse(const std::wstring& commandLine, Request& request) {
    std::wstring ours = commandLine;
    if (const auto separator = commandLine.find(L" -- "); separator != std::wstring::npos) {
        ours = commandLine.substr(0, separator);
        request.program = commandLine.substr(separator + 4);
    }
    std::vector<std::wstring> words;
    for (std::size_t at = 0; at < ours.size();) {
        const std::size_t end = ours.find(L' ', at);
        words.push_back(ours.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at));
        at = end == std::wstring::npos ? ours.size() : end + 1;
    }
    for (std::size_t i = 1; i < words.size(); ++i) {  // words[0] is this program
        if (words[i].empty()) continue;
        if (words[i] == L"--rundll32" && i + 1 < words.size()) {
            request.standInRundll32 = words[++i];
        } else {
            return false;
        }
    }
    return true;
}

int Run(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &started)) {
        std::fprintf(stderr, "kestrin_prepare_prefix: cannot start the program (error %lu)\n", ::GetLastError());
        return kNotStarted;
    }
    ::WaitForSingleObject(started.hProcess, INFINITE);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(started.hProcess, &exitCode);
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return static_cast<int>(exitCode);
}

}  // namespace

int main() {
    Request request;
    if (!Parse(::GetCommandLineW(), request)) {
        std::fprintf(stderr, "usage: kestrin_prepare_prefix.exe [--rundll32 STAND-IN.exe] [-- PROGRAM [ARGS...]]\n");
        return kUsage;
    }
    try {
        wine_prefix::RegisterTavikDriver();
        if (!request.standInRundll32.empty()) {
            wine_prefix::ReplaceSystemProgram(L"rundll32.exe", request.standInRundll32);
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "kestrin_prepare_prefix: %s\n", failure.what());
        return kPreparationFailed;
    }
    return request.program.empty() ? 0 : Run(request.program);
}
