#include "tests/win/wizard/page_script.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <set>

#include "tests/support/utility.h"

namespace {

constexpr UINT kNextStep = WM_APP + 1;
constexpr UINT_PTR kIdleTimer = 1;
constexpr wchar_t kPlayerClass[] = L"KestrinScriptPlayer";
// Bounds on a page that never becomes idle, and on one that will not close.
constexpr int kBusyLimit = 1000;
constexpr int kCloseLimit = 8;
constexpr PageKind kInnermostFirst[] = {PageKind::Message, PageKind::Progress, PageKind::Prompt, PageKind::Settings,
                                        PageKind::Os};
static_assert(std::size(kInnermostFirst) == static_cast<std::size_t>(PageKind::Message) + 1, "every page kind once");

const char* Name(PageKind kind) {
    switch (kind) {
        case PageKind::Os:
            return "operating-system";
        case PageKind::Settings:
            return "settings";
        case PageKind::Prompt:
            return "prompt";
        case PageKind::Progress:
            return "progress";
        case PageKind::Message:
            return "message";
    }
    return "unknown";
}

int FailureCount() {
    const testing::UnitTest& tests = *testing::UnitTest::GetInstance();
    const testing::TestInfo* test = tests.current_test_info();
    return (test != nullptr ? *test->result() : tests.ad_hoc_test_result()).total_part_count();
}

// A message-only window on the page's thread. Its timer fires only when nothing else is
// queued, not even a paint, and the dialog manager shows a page that is still hidden right
// after such a moment; its "next step" message, posted then, comes after that.
class Player {
public:
    explicit Player(const Script& script) : script_(script) {
        WNDCLASSW type{};
        type.lpfnWndProc = Proc;
        type.hInstance = GetModuleHandleW(nullptr);
        type.lpszClassName = kPlayerClass;
        RegisterClassW(&type);  // fails harmlessly when registered by an earlier script
        window_ = CreateWindowExW(0, kPlayerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        PostMessageW(window_, kNextStep, 0, 0);
    }
    ~Player() {
        KillTimer(window_, kIdleTimer);
        DestroyWindow(window_);
        // Whatever the script posted after the page ended must not reach the next one.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    void CheckFinished() const {
        if (!stopped_ && next_ < script_.size()) {
            ADD_FAILURE() << "the page ended before step " << next_ + 1 << " of " << script_.size();
        }
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* player = reinterpret_cast<Player*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (player != nullptr && message == kNextStep) {
            player->OnNextStep();
            return 0;
        }
        if (player != nullptr && message == WM_TIMER && wParam == kIdleTimer) {
            KillTimer(window, kIdleTimer);
            player->idle_ = true;
            PostMessageW(window, kNextStep, 0, 0);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    // A step runs when its "next step" message finds the queue empty right after the idle
    // timer fired; otherwise the timer is set again. Only the timer is sure to wait for
    // paints: a message posted again and again would always come first.
    void OnNextStep() {
        if (!idle_ || HIWORD(GetQueueStatus(QS_POSTMESSAGE | QS_INPUT | QS_PAINT)) != 0) {
            idle_ = false;
            if (++busy_ == kBusyLimit) Abandon("the page never became idle");
            SetTimer(window_, kIdleTimer, USER_TIMER_MINIMUM, nullptr);
            return;
        }
        idle_ = false;
        busy_ = 0;
        if (!stopped_ && next_ < script_.size()) {
            const int failures = FailureCount();
            SCOPED_TRACE(testing::Message() << "step " << next_ + 1 << " of " << script_.size());
            script_[next_++]();
            stopped_ = FailureCount() > failures;
        } else {
            CloseInnermostPage();
        }
        PostMessageW(window_, kNextStep, 0, 0);
    }

    void CloseInnermostPage() {
        if (closes_++ == 0 && !stopped_) ADD_FAILURE() << "the script left a page open";
        if (closes_ > kCloseLimit) Abandon("the pages could not be closed");
        for (const PageKind kind : kInnermostFirst) {
            if (const HWND page = FindPage(GetCurrentProcessId(), kind)) {
                PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                return;
            }
        }
    }

    // The modal loop cannot be left from here: the test ends with the process.
    [[noreturn]] static void Abandon(const char* why) {
        ADD_FAILURE() << why;
        std::fflush(stdout);
        ExitProcess(3);
    }

    const Script& script_;
    HWND window_ = nullptr;
    std::size_t next_ = 0;
    bool idle_ = false;
    bool stopped_ = false;
    int busy_ = 0;
    int closes_ = 0;
};

}  // namespace

INT_PTR RunScript(CDialog& page, const Script& script) {
    Player player(script);
    const INT_PTR result = page.DoModal();
    player.CheckFinished();
    return result;
}

HWND Page(PageKind kind) {
    const HWND page = FindPage(GetCurrentProcessId(), kind);
    if (page == nullptr) ADD_FAILURE() << "no " << Name(kind) << " page is on screen";
    return page;
}

HWND Control(PageKind kind, int controlId) {
    return GetDlgItem(Page(kind), controlId);
}

HWND Focus() {
    return FocusedWindow(GetCurrentThreadId());
}

Step ClickOn(PageKind kind, int controlId) {
    return [=] { Click(Control(kind, controlId)); };
}

Step ChooseIn(PageKind kind, int comboId, int position) {
    return [=] { ChooseAt(Page(kind), comboId, position); };
}

Step Key(WORD virtualKey) {
    return [=] { EXPECT_TRUE(PressKey(GetCurrentThreadId(), virtualKey)) << "no control has the keyboard focus"; };
}

Step Command(PageKind kind, WPARAM systemCommand) {
    return [=] { SystemCommand(Page(kind), systemCommand); };
}

Step PostTo(PageKind kind, UINT message) {
    return [=] { PostMessageW(Page(kind), message, 0, 0); };
}

Step OnScreen(std::initializer_list<PageKind> kinds) {
    return [wanted = std::set<PageKind>(kinds)] {
        for (const PageKind kind : kInnermostFirst) {
            EXPECT_EQ(FindPage(GetCurrentProcessId(), kind) != nullptr, wanted.count(kind) == 1)
                << "the " << Name(kind) << " page";
        }
    };
}

Step FocusOn(PageKind kind, int controlId) {
    return [=] { EXPECT_EQ(Focus(), Control(kind, controlId)) << "the focus is on " << ToUtf8(Describe(Focus())); };
}
