#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "core/languages.h"
#include "res/resource_ids.h"
#include "tests/support/desktop.h"
#include "tests/support/utility.h"
#include "win/pages/progress_dlg.h"
#include "win/platform/language_library.h"
#include "win/platform/win32_progress.h"

// The window is played from the work's own thread, as the run it shows would go: a step
// entered, then a look at what the window made of it. The window looks every 100 ms, so
// each look waits a little.

namespace {

template <typename Predicate>
bool Within(Predicate holds, int milliseconds = 2000) {
    for (int waited = 0; waited < milliseconds; waited += 10) {
        if (holds()) return true;
        Sleep(10);
    }
    return holds();
}

HWND ProgressWindow() {
    return FindPage(GetCurrentProcessId(), PageKind::Progress);
}

bool Offered(HWND cancel) {
    return IsWindowVisible(cancel) && IsWindowEnabled(cancel);
}

// What the library itself holds, without the program's English fallback.
std::wstring LibraryText(const Language& language, UINT id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(LanguageLibrary::Load(language).module(), id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : L"";
}

std::vector<const Language*> LanguagesAndNone() {
    std::vector<const Language*> all{nullptr};
    for (const Language& language : kLanguages) all.push_back(&language);
    return all;
}

class ProgressSteps : public testing::TestWithParam<const Language*> {};

TEST_P(ProgressSteps, ShowsEachStepsTextAndCancelOnlyWhileWaiting) {
    const LanguageLibrary language = GetParam() != nullptr ? LanguageLibrary::Load(*GetParam()) : LanguageLibrary();
    std::vector<std::string> wrong;
    std::atomic<int> cancels = 0;
    Win32Progress progress;
    CProgressDlg window(
        language, progress,
        [&] {
            const HWND page = Within([] { return ProgressWindow() != nullptr; }) ? ProgressWindow() : nullptr;
            if (page == nullptr) return wrong.push_back("no progress window");
            for (int i = 0; i <= static_cast<int>(RunStep::RecordRemoval); ++i) {
                const auto step = static_cast<RunStep>(i);
                // The library's own text: one it lacks would show the program's English.
                const std::wstring expected = GetParam() != nullptr ? LibraryText(*GetParam(), StepTextId(step))
                                                                    : language.Text(StepTextId(step));
                const bool waiting = step == RunStep::WaitingForAnotherInstallation;
                progress.Enter(step);
                const bool shown = Within([&] {
                    return WindowText(GetDlgItem(page, IDC_PROGRESS_STATUS)) == expected &&
                           Offered(GetDlgItem(page, IDC_PROGRESS_CANCEL)) == waiting;
                });
                if (expected.empty() || !shown) wrong.push_back("step " + std::to_string(i));
            }
        },
        [&] { ++cancels; });
    window.DoModal();
    EXPECT_EQ(wrong, std::vector<std::string>{});
    EXPECT_EQ(cancels, 0);
    EXPECT_EQ(ProgressWindow(), nullptr) << "the window outlived its work";
    if (GetParam() == nullptr) {
        EXPECT_EQ(language.Text(IDS_STEP_DRIVER_INSTALLATION), L"Installing the driver...");
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, ProgressSteps, testing::ValuesIn(LanguagesAndNone()), [](const auto& param) {
    return param.param == nullptr ? std::string("none") : ToUtf8(param.param->code);
});

TEST(ProgressWindow, LeavesOnlyWhileWaitingAndStepsAsideForTheWorksOwnWindows) {
    std::vector<std::string> wrong;
    std::atomic<int> cancels = 0;
    Win32Progress progress;
    const DWORD windowThread = GetCurrentThreadId();
    CProgressDlg window(
        LanguageLibrary(), progress,
        [&] {
            const HWND page = Within([] { return ProgressWindow() != nullptr; }) ? ProgressWindow() : nullptr;
            if (page == nullptr) return wrong.push_back("no progress window");
            auto expect = [&](bool holds, const char* what) {
                if (!holds) wrong.push_back(what);
            };

            // Busy: the close command, Escape and Enter change nothing.
            progress.Enter(RunStep::DriverInstallation);
            SystemCommand(page, SC_CLOSE);
            expect(PressKey(windowThread, VK_ESCAPE), "nothing has the keyboard focus");
            PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            Sleep(3 * CProgressDlg::kRefreshMilliseconds);
            expect(cancels == 0 && IsWindowVisible(page), "left while busy");

            // Waiting: each of them is Cancel.
            progress.Enter(RunStep::WaitingForAnotherInstallation);
            const HWND cancel = GetDlgItem(page, IDC_PROGRESS_CANCEL);
            expect(Within([&] { return Offered(cancel); }), "no Cancel while waiting");
            SystemCommand(page, SC_CLOSE);
            expect(Within([&] { return cancels == 1; }), "the close command is not Cancel");
            PressKey(windowThread, VK_ESCAPE);
            expect(Within([&] { return cancels == 2; }), "Escape is not Cancel");
            Click(cancel);
            expect(Within([&] { return cancels == 3; }), "Cancel is not Cancel");

            // A message of the work's own thread: the window makes way, and comes back.
            progress.Enter(RunStep::PrinterCreation);
            const HWND message = CreateWindowExW(0, L"Static", L"a message", WS_POPUP | WS_VISIBLE, 0, 0, 200, 50,
                                                 nullptr, nullptr, nullptr, nullptr);
            expect(Within([&] { return !IsWindowVisible(page); }), "in front of the work's message");
            DestroyWindow(message);
            expect(Within([&] { return IsWindowVisible(page) != FALSE; }), "not back after the message");
        },
        [&] { ++cancels; });
    window.DoModal();
    EXPECT_EQ(wrong, std::vector<std::string>{});
    EXPECT_EQ(cancels, 3);
}

}  // namespace
