#include "core/run_log.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Lines final : DebugOutput, LogFile {
    std::vector<std::wstring> lines;
    void Write(const std::wstring& line) override { lines.push_back(line); }
    void Note(const std::wstring& line) override { lines.push_back(L"(note) " + line); }
    void Append(const std::wstring& line) override { lines.push_back(line); }
};

TEST(RunOutput, LogsEveryDebuggerLineItsOwnNotesAndTheExitCodeLast) {
    Lines debugger, log;
    RunOutput output(debugger);
    output.Write(L"before the log is open");
    output.SetLog(&log);
    output.Write(L"打开打印机失败！");
    output.Note(L"for the log alone");
    output.Finish(ExitCode::PrinterNotCreated);
    EXPECT_EQ(debugger.lines, (std::vector<std::wstring>{L"before the log is open", L"打开打印机失败！"}));
    EXPECT_EQ(log.lines, (std::vector<std::wstring>{L"打开打印机失败！", L"for the log alone",
                                                    L"exit code 4: the printer was not created"}));
}

// The time limit writes from a thread of its own while the run's thread may write too.
TEST(RunOutput, SendsEachLineToBothPlacesWhileHoldingItsLock) {
    struct CountingLock final : OutputLock {
        int held = 0;
        void Lock() override { ++held; }
        void Unlock() override { --held; }
    } lock;
    struct HeldAtEachLine final : DebugOutput, LogFile {
        explicit HeldAtEachLine(const CountingLock& counted) : lock(counted) {}
        const CountingLock& lock;
        std::vector<int> held;
        void Write(const std::wstring&) override { held.push_back(lock.held); }
        void Note(const std::wstring&) override { held.push_back(lock.held); }
        void Append(const std::wstring&) override { held.push_back(lock.held); }
    };
    HeldAtEachLine debugger(lock), log(lock);
    RunOutput output(debugger);
    output.SetLog(&log);
    output.Write(L"before the limit watches");
    output.SetLock(&lock);
    output.Write(L"the time limit of 3 s ran out during the printer creation");
    output.Note(L"there is no printer Kiosk1");
    output.Finish(ExitCode::TimeLimitReached);
    output.SetLock(nullptr);
    output.Write(L"after the limit stopped watching");
    EXPECT_EQ(debugger.held, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(log.held, (std::vector<int>{0, 1, 1, 1, 0}));
    EXPECT_EQ(lock.held, 0);
}

struct BytesCase {
    const wchar_t* text;
    const char* bytes;  // after the time stamp
};

class LogLineTest : public testing::TestWithParam<BytesCase> {};

TEST_P(LogLineTest, IsUtf8AfterALocalTimeStamp) {
    EXPECT_EQ(LogLineBytes({2026, 12, 8, 4, 5, 6}, GetParam().text),
              std::string("2026-12-08 04:05:06 ") + GetParam().bytes + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LogLineTest,
    testing::Values(BytesCase{L"eng", "eng"}, BytesCase{L"Caf\u00e9 \u6536", "Caf\xc3\xa9 \xe6\x94\xb6"},
                    BytesCase{L"\xd83d\xde00", "\xf0\x9f\x98\x80"},
                    BytesCase{L"a\xd83d"
                              L"b\xde00",
                              "a\xef\xbf\xbd"
                              "b\xef\xbf\xbd"},
                    BytesCase{L"", ""},
                    // No text can end its line and forge the next one.
                    BytesCase{L"Kiosk1\r\n2026-12-08 04:05:06 exit code 0",
                              "Kiosk1\\u000D\\u000A2026-12-08 04:05:06 exit code 0"},
                    BytesCase{L"a\tb\x1f\x7f", "a\\u0009b\\u001F\\u007F"},
                    BytesCase{L"\x85\x2028\x2029\xa0", "\\u0085\\u2028\\u2029\xc2\xa0"},
                    // The C1 controls, at both ends and with their neighbours.
                    BytesCase{L"\x7e\x80\x9f\xa1", "~\\u0080\\u009F\xc2\xa1"},
                    // No name can show its text reversed or out of place.
                    BytesCase{L"\x2029\x202a\x202e\x202f", "\\u2029\\u202A\\u202E\xe2\x80\xaf"},
                    BytesCase{L"\x2065\x2066\x2069\x206a", "\xe2\x81\xa5\\u2066\\u2069\xe2\x81\xaa"}));

}  // namespace
