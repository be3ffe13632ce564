#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "debuggee.h"
#include "script.h"
#include "system_state.h"
#include "tests/support/desktop.h"

// Where things are, as Windows paths inside the prefix.
struct Places {
    std::wstring build;     // the build's kestrin.exe and language libraries
    std::wstring fixtures;  // test DLLs and programs to plant
    std::wstring samples;   // the bundled sample driver
    std::wstring app;       // where the scenario installs kestrin.exe and runs it
    std::wstring shots;     // screenshots go here when set
    std::wstring args;      // {args}: a command line a caller hands in
};

// Plays a scenario: prepares the prefix, runs kestrin.exe as a user would and checks
// what it did. Returns the number of failed expectations.
class Runner {
public:
    explicit Runner(Places places);
    ~Runner();
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;

    int Play(const std::vector<Step>& steps);

private:
    struct Failure {};  // a step that leaves nothing sensible to do after it

    void Install();
    void Execute(const Step& step);
    void Setup(const Step& step);
    void Interact(const Step& step);
    void Check(const Step& step);
    void CheckLines(const Step& step, const std::wstring& what, const std::vector<std::wstring>& actual);
    // What the recording printer-setup library was asked to do in this run.
    std::wstring PrintUiLog() const;
    std::vector<std::wstring> PrintUiCommands() const;
    void StartRun(const Step& step);
    void EndRun(const Step& step);
    void Report();
    // Runs the program again and again, each time ended at a random moment.
    void KilledRuns(const Step& step);

    // What a run did: its lines, the processes it started, the commands the recording
    // printer-setup library got, and the system it left behind.
    struct Effects {
        std::vector<std::wstring> lines, children, commands;
        SystemState after;
    };
    Effects EffectsOfRun() const;
    void CompareEffects(const Step& step, const Effects& expected, const Effects& actual);

    std::wstring Expand(const std::wstring& text) const;
    std::wstring InApp(const std::wstring& path) const;
    std::wstring Expected(const std::wstring& text);
    std::wstring SystemDirectoryOfProgram() const;
    HWND Control(const Step& step, std::size_t argument);
    int Number(const Step& step, std::size_t argument) const;
    void NeedArguments(const Step& step, std::size_t count) const;
    void Fail(const Step& step, const std::wstring& message);
    void Expect(const Step& step, bool holds, const std::wstring& message);
    // Polls a page's state until it holds: a posted click takes effect a moment later.
    template <typename Predicate>
    bool Eventually(Predicate predicate, DWORD milliseconds = 5000);
    void WatchWindows();

    Places places_;
    bool programIs64Bit_ = true;
    int failures_ = 0;
    HMODULE strings_ = nullptr;
    std::wstring stringsPath_;

    std::unique_ptr<Debuggee> run_;
    bool ended_ = false;
    SystemState before_, after_;
    HWND page_ = nullptr;
    std::map<HWND, std::wstring> seenWindows_;  // with what each showed
    std::map<std::wstring, Effects> remembered_;
};
