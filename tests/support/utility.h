#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "win/platform/handles.h"

// Files, text and processes, as the Windows tests and the end-to-end driver need them.

// A file's bytes; nothing when it cannot be read.
std::optional<std::string> FileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
// Copies a file that is not there yet as it should be. Test prefixes are copies whose
// files are hard links to a template: a file is never written in place but removed and
// created anew, so the template stays as it was; and a library already there as it should
// be stays (Wine cannot remove one in use).
bool CopyAnew(const std::wstring& from, const std::wstring& to);
// A path of the machine that runs Wine (/work/x) as Windows programs see it (Z:\work\x);
// any other path as it is.
std::wstring WindowsPath(std::wstring path);
// The running program's full path, and its folder without a trailing backslash.
std::wstring ThisProgram();
std::wstring ProgramDirectory();
// A fresh, empty folder that is the current directory while the object lives.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
    std::wstring previous_;
};
// Creates the key as needed and sets a text value in it; or a value of any type, its
// bytes exactly as given.
bool SetRegistryText(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value);
bool SetRegistryData(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type, const void* data,
                     DWORD size);
// Deletes a value; true also when it, or its key, is not there.
bool DeleteRegistryValue(HKEY root, const std::wstring& key, const std::wstring& name);

std::wstring FromUtf8(std::string_view text);
std::string ToUtf8(std::wstring_view text);
// Text in the ANSI code page, as Wine hands debugger output over.
std::wstring FromAnsi(std::string_view text);
// A line on standard output in UTF-8, flushed so that it interleaves with Wine's.
void Print(std::wstring_view line);

// CreateProcessW. When it fails, as Wine under load now and then does before the new
// process runs any of its own code, it says so in one line that begins with
// kNotStartedLine, naming the error and the command line: ./test.sh runs such a test
// once more, and no other.
inline constexpr wchar_t kNotStartedLine[] = L"process not started: ";
struct StartedProcess {
    UniqueProcessHandle process;
    DWORD processId = 0;
    DWORD threadId = 0;
};
std::optional<StartedProcess> StartProcess(const wchar_t* program, std::wstring commandLine, DWORD flags,
                                           const wchar_t* directory);
// Starts a command line and waits for it: its exit code; nothing when it could not be
// started or did not end in time (it is ended then).
std::optional<DWORD> RunProcess(const std::wstring& commandLine, DWORD milliseconds = INFINITE);
