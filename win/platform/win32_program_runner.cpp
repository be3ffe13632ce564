#include "win/platform/win32_program_runner.h"

#include "win/platform/os_detection.h"
#include "win/platform/system_paths.h"

namespace {

// A 32-bit program under WOW64 that names the system folder gets SysWOW64; the machine's
// own programs it reaches through Sysnative, which the system keeps beside it in the
// Windows folder for just that.
std::wstring NativeSystemFilePath(const std::wstring& fileName) {
    if (!RunsUnderWow64()) return SystemFilePath(fileName);
    const std::wstring system = SystemDirectory();
    const std::size_t separator = system.find_last_of(L'\\');
    if (separator == std::wstring::npos) return {};
    return system.substr(0, separator) + L"\\Sysnative\\" + fileName;
}

}  // namespace

bool Win32ProgramRunner::RunSystemProgram(const std::wstring& program, const std::wstring& commandLine,
                                          SystemFolder systemFolder) {
    // The program is named by its full path, so the command line's first word is only
    // what the program itself sees as its name, never where the system looks for it.
    const std::wstring path =
        systemFolder == SystemFolder::Native ? NativeSystemFilePath(program) : SystemFilePath(program);
    if (path.empty()) return false;
    // Started in the system folder: a folder a user can write, such as the one the
    // installer was started from, is no place for a system program to look for files.
    const std::wstring folder = SystemDirectory();
    if (folder.empty()) return false;
    DWORD error = 0;
    std::shared_ptr<ChildProcess> child = ChildProcess::Start(path, commandLine, folder.c_str(), error);
    if (!child) return false;
    {
        const CriticalSection::Held held(lock_);
        running_ = child;
    }
    child->Wait(INFINITE);
    const CriticalSection::Held held(lock_);
    running_.reset();
    return true;
}

void Win32ProgramRunner::EndRunningProgram(UINT exitCode) {
    const CriticalSection::Held held(lock_);
    if (running_) running_->Terminate(exitCode);
}
