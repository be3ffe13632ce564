#include "win/platform/time_limit.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/win/platform/platform_support.h"
#include "win/platform/win32_install_system.h"
#include "win/platform/win32_log_file.h"

namespace {

constexpr wchar_t kStuck[] = L"a line the run never finishes";
constexpr wchar_t kGoesOn[] = L"the run goes on";

[[noreturn]] void WaitForTheEnd() {
    for (;;) ::Sleep(INFINITE);
}

// The debugger output of a run that gets stuck in the middle of one line.
class StuckOutput final : public DebugOutput {
public:
    void Write(const std::wstring& message) override {
        if (message == kStuck) WaitForTheEnd();
        debugger_.Write(message);
    }
    void Note(const std::wstring&) override {}

private:
    Win32DebugOutput debugger_;
};

// A spooler that knows the printer Kiosk1, or one that never answers.
class Lookup final : public PrinterLookup {
public:
    explicit Lookup(bool answers) : answers_(answers) {}
    bool PrinterExists(const std::wstring& name) override {
        if (!answers_) WaitForTheEnd();
        return name == L"Kiosk1";
    }

private:
    bool answers_;
};

// The log's lines without their time stamps.
std::vector<std::wstring> LogLines(const std::wstring& path) {
    std::vector<std::wstring> lines;
    std::istringstream text(FileBytes(path).value_or(""));
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(FromUtf8(line.size() > 20 ? line.substr(20) : line));
    }
    return lines;
}

struct HangCase {
    const char* name;
    const wchar_t* hangs;
    const wchar_t* printerLine;
    DWORD boundedWait;  // what the limit may wait beyond its second
};

class RanOutTest : public testing::TestWithParam<HangCase> {};

// Whatever hangs, the run ends with exit code 8 within its limit and the bounded waits,
// and nothing of the run comes after the limit's lines.
TEST_P(RanOutTest, EndsWithItsLastLineWhateverHangs) {
    const ScratchDirectory scratch;
    const std::wstring log = scratch.File(L"run.log");
    const DWORD start = ::GetTickCount();
    const int code = RunChild(L"--child-time-limit " + Quoted(log) + L" " + GetParam().hangs);
    const DWORD took = ::GetTickCount() - start;
    EXPECT_EQ(code, 8);
    // A Wine process takes up to a few seconds to start and end.
    constexpr DWORD kProcessTime = 5000;
    EXPECT_GE(took, 1000u);
    EXPECT_LE(took, 1000 + GetParam().boundedWait + kProcessTime);
    const std::vector<std::wstring> lines = LogLines(log);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(
        std::vector<std::wstring>(lines.end() - 3, lines.end()),
        (std::vector<std::wstring>{L"the time limit of 1 s ran out during the printer creation", GetParam().printerLine,
                                   L"exit code 8: the installation did not end within the time limit"}));
    for (auto line = lines.begin(); line != lines.end() - 3; ++line) EXPECT_EQ(*line, kGoesOn);
}

constexpr wchar_t kExists[] = L"the printer Kiosk1 exists";
constexpr wchar_t kNotTold[] =
    L"whether the printer Kiosk1 exists could not be told: the spooler did not answer within 3 s";

INSTANTIATE_TEST_SUITE_P(Hangs, RanOutTest,
                         testing::Values(HangCase{"Nothing", L"none", kExists, 0},
                                         HangCase{"SpoolerNeverAnswers", L"spooler", kNotTold, kPrinterAnswerWait},
                                         HangCase{"RunStuckInALine", L"output", kExists, kOutputLockWait},
                                         HangCase{"Both", L"spooler+output", kNotTold,
                                                  std::max(kPrinterAnswerWait, kOutputLockWait)}),
                         [](const auto& p) { return std::string(p.param.name); });

// A limit whose threads cannot all be started is none, and the thread that did start
// does not outlive it.
int gStarts = 0;
int gFailingStart = -1;
std::vector<HANDLE> gStarted;

HANDLE StartOrFail(LPTHREAD_START_ROUTINE routine, LPVOID argument) {
    if (gStarts++ == gFailingStart) return nullptr;
    const HANDLE thread = TimeLimit::StartThread(routine, argument);
    HANDLE copy = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), thread, ::GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    gStarted.push_back(copy);
    return thread;
}

TEST(TimeLimit, WithoutItsThreadsThereIsNone) {
    for (const int failing : {-1, 0, 1}) {
        gStarts = 0;
        gFailingStart = failing;
        gStarted.clear();
        Win32DebugOutput debugger;
        RunOutput output(debugger);
        Win32Progress progress;
        Win32ProgramRunner programs;
        Lookup lookup(true);
        auto limit = TimeLimit::Start(60, ::GetTickCount(), {output, progress, programs, lookup}, StartOrFail);
        EXPECT_EQ(limit != nullptr, failing < 0) << failing;
        limit.reset();
        EXPECT_EQ(gStarted.size(), failing < 0 ? 2u : static_cast<std::size_t>(failing));
        for (const HANDLE thread : gStarted) {
            EXPECT_EQ(::WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "a thread outlived its limit";
            ::CloseHandle(thread);
        }
    }
}

}  // namespace

// The child mode --child-time-limit: a run with a time limit of one second that goes on
// writing lines and taking steps until it is ended. The arguments: the log's path, then
// what hangs ("spooler", "output", both, or "none").
int RunUntilTheTimeLimit(const std::vector<std::wstring>& args) {
    if (args.size() < 2) return 2;
    const bool spoolerHangs = args[1].find(L"spooler") != std::wstring::npos;
    const bool outputHangs = args[1].find(L"output") != std::wstring::npos;
    StuckOutput debugger;
    RunOutput output(debugger);
    DWORD error = 0;
    std::wstring why;
    const std::wstring path = FullPath(args[0]);
    const auto folder = HeldFolder::Open(path.substr(0, path.find_last_of(L'\\')), error, why);
    const auto log = folder ? Win32LogFile::Open(*folder, path.substr(path.find_last_of(L'\\') + 1), error) : nullptr;
    if (!log) return 3;
    output.SetLog(log.get());
    Win32Progress progress;
    Win32ProgramRunner programs;
    Lookup lookup(!spoolerHangs);
    progress.Printer(L"Kiosk1");
    progress.Enter(RunStep::PrinterCreation);
    const auto limit = TimeLimit::Start(1, ::GetTickCount(), {output, progress, programs, lookup});
    if (!limit) return 4;
    for (int line = 0;; ++line) {
        output.Write(outputHangs && line == 3 ? kStuck : kGoesOn);
        progress.Enter(RunStep::PrinterCreation);
        ::Sleep(20);
    }
}
