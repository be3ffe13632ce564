#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "debuggee.h"
#include "script.h"
#include "system_state.h"
#include "tests/support/desktop.h"
#include "win/platform/handles.h"
#include "win/platform/installation_lock_object.h"

// Where things are, as Windows paths inside the prefix.
struct Places {
    std::wstring build;     // the build's kestrin.exe and language libraries
    std::wstring fixtures;  // test DLLs and programs to plant
    std::wstring samples;   // the bundled sample driver
    std::wstring app;       // where the scenario installs kestrin.exe and runs it
    std::wstring shots;     // screenshots go here when set
    std::wstring args;      // {args}: a command line a caller hands in
    std::wstring source;    // the source tree, whose documents show commands to run
    std::wstring package;   // the release archive, unpacked (a 32-bit build's)
};

// Plays a scenario: prepares the prefix, runs kestrin.exe as a user would and checks
// what it did. Returns the number of failed expectations.
class Runner {
public:
    explicit Runner(Places places);

    int Play(const std::vector<Step>& steps);

private:
    struct Failure {};  // a step that leaves nothing sensible to do after it

    // Every verb a scenario may use: what it needs and the member function that does it.
    enum class Needs { Nothing, RunningProgram, EndedProgram };
    struct Verb {
        const wchar_t* name;
        Needs needs;
        void (Runner::*does)(const Step&);
    };
    static const Verb kVerbs[];

    void Install();
    void Execute(const Step& step);

    // Preparing, before a run.
    void Remove(const Step& step);
    void Plant(const Step& step);
    void Package(const Step& step);
    void Write(const Step& step);
    void CopySamples(const Step& step);
    void UnregisterDriver(const Step& step);
    void StandInRundll32(const Step& step);  // stand-in-rundll32, hanging-rundll32
    void RecordingPrintUi(const Step& step);
    void Override(const Step& step);
    void Strings(const Step& step);
    void MakeFolder(const Step& step);
    void Link(const Step& step);
    void Undo(const Step& step);
    void RegisterDriver(const Step& step);
    void MakePrinter(const Step& step);
    void ChangePort(const Step& step);  // add-port, remove-port
    void RegisterUsbPrinter(const Step& step);
    void Hold(const Step& step);
    void SymbolicLink(const Step& step);
    void Station(const Step& step);
    void HoldInstallationLock(const Step& step);  // hold-lock, release-lock
    void SquatInstallationLock(const Step& step);
    void CountExamples(const Step& step);

    // Running.
    void StartRun(const Step& step);  // run, run-as-typed
    void RunExample(const Step& step);
    void StartParallel(const Step& step);
    void Launch(const Step& step, const std::wstring& program, const std::wstring& commandLine);
    void EndRun(const Step& step);  // exit, wait
    void WaitForChild(const Step& step);
    void Kill(const Step& step);
    // Runs the program again and again, each time ended at a random moment.
    void KilledRuns(const Step& step);

    // On the pages.
    void WaitForPage(const Step& step);
    void ClickOn(const Step& step);
    void ChooseItem(const Step& step);
    void Tick(const Step& step);  // tick, untick
    void Key(const Step& step);
    void Close(const Step& step);
    void Post(const Step& step);
    void Shot(const Step& step);
    void ExpectText(const Step& step);
    void ExpectTextHas(const Step& step);
    void ExpectChecked(const Step& step);  // checked, unchecked
    void ExpectEnabled(const Step& step);  // enabled, disabled
    void ExpectSelected(const Step& step);
    void ExpectFocused(const Step& step);
    void ExpectItems(const Step& step);

    // After the run.
    void NothingInstalled(const Step& step);
    void PrintUi(const Step& step);
    void NoWindow(const Step& step);
    void Debug(const Step& step);
    void DebugHas(const Step& step);  // debug-has, debug-lacks
    void PrinterIs(const Step& step);
    void NoPrinter(const Step& step);
    void PrintersUnchanged(const Step& step);
    void DefaultIs(const Step& step);
    void DefaultUnchanged(const Step& step);
    void Record(const Step& step);
    void NoRecord(const Step& step);
    void RecordUnchanged(const Step& step);
    void Comm(const Step& step);
    void CommUnchanged(const Step& step);
    void Children(const Step& step);
    void NoFile(const Step& step);
    void File(const Step& step);
    void Log(const Step& step);     // log, print
    void LogHas(const Step& step);  // log-has, log-lacks
    // The log file's lines without their time stamps (each checked to carry one); nothing
    // when there is no such file. With `print`, shows the lines instead of reading them.
    std::optional<std::vector<std::wstring>> LogLines(const Step& step, bool print);
    void Lasted(const Step& step);
    void DriverInstalled(const Step& step);  // driver, no-driver
    void RememberEffects(const Step& step);
    void SameEffects(const Step& step);

    // Whether `actual` holds the line (`wanted`) or not; a line marked {32-bit} is wanted
    // of the 32-bit program only.
    void CheckHas(const Step& step, const std::wstring& what, const std::vector<std::wstring>& actual,
                  const std::wstring& expected, bool wanted);
    void CheckLines(const Step& step, const std::wstring& what, const std::vector<std::wstring>& actual);
    // What the recording printer-setup library was asked to do in this run.
    std::wstring PrintUiLog() const;
    std::vector<std::wstring> PrintUiCommands() const;
    // The commands a document shows: its lines that begin with "kestrin.exe ".
    std::vector<std::wstring> DocumentedCommands(const Step& step) const;
    void ReportRun(Debuggee& run);
    void Report();

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
    // Text `argument` as Expected() gives it, with `{0}` filled by the argument after it.
    std::wstring ExpectedFilled(const Step& step, std::size_t argument);
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
    // Waits for a control to be enabled and visible, as a user would.
    bool Usable(HWND control);

    Places places_;
    bool programIs64Bit_ = true;
    int failures_ = 0;
    UniqueModule strings_;
    std::wstring stringsPath_;

    std::unique_ptr<Debuggee> run_;
    std::vector<std::unique_ptr<Debuggee>> alongside_;  // runs started with run_ by `parallel`
    ULONGLONG startTick_ = 0;
    bool ended_ = false;
    UniqueFileHandle held_;  // open while the next run runs
    InstallationLockObject installationLock_;
    bool lockHeld_ = false;         // by this thread, as another installation holds it
    UniqueProcessHandle squatter_;  // an object of the lock's global name, held until the scenario ends
    std::wstring desktop_;          // where runs start; empty: on ours
    HWINSTA station_ = nullptr;
    HDESK stationDesktop_ = nullptr;
    SystemState before_, after_;
    HWND page_ = nullptr;
    std::map<HWND, std::wstring> seenWindows_;  // with what each showed
    std::map<std::wstring, Effects> remembered_;
};
