#pragma once

#include <string>

// For tests that look at what another process sees, or that need a current
// directory of their own.

// The running test program's full path, and its file name alone.
std::wstring ThisProgram();
std::wstring ThisProgramName();

// Runs this test program again with `arguments` (see the child modes in
// platform_tests_main.cpp) and returns its exit code; -1 when it could not be started
// or did not end within a minute.
int RunChild(const std::wstring& arguments);

std::wstring Quoted(const std::wstring& text);
bool FileExists(const std::wstring& path);
std::string FileBytes(const std::wstring& path);

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
