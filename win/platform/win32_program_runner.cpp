#include "win/platform/win32_program_runner.h"

#include <vector>

#include "win/platform/system_paths.h"

bool Win32ProgramRunner::RunSystemProgram(const std::wstring& program, const std::wstring& commandLine) {
    // The program is named by its full path, so the command line's first word is only
    // what the program itself sees as its name, never where the system looks for it.
    const std::wstring path = SystemFilePath(program);
    if (path.empty()) return false;
    std::vector<wchar_t> command(commandLine.begin(), commandLine.end());  // CreateProcessW may write into it
    command.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &started)) {
        return false;
    }
    const UniqueProcessHandle process(started.hProcess);
    const UniqueProcessHandle thread(started.hThread);
    ::WaitForSingleObject(process.get(), INFINITE);
    return true;
}
