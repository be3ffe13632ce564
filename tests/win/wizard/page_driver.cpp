#include "tests/win/wizard/page_driver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

constexpr UINT kRunAction = WM_APP + 1;
constexpr wchar_t kHelperClass[] = L"KestrinTestHelper";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr int kMessageBoxText = 0xFFFF;

LRESULT CALLBACK HelperProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunAction) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        ::SetEvent(reinterpret_cast<HANDLE>(wParam));
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// A message-only window on the page's thread that runs actions for the driver.
class HelperWindow {
public:
    HelperWindow() {
        WNDCLASSW type{};
        type.lpfnWndProc = HelperProc;
        type.hInstance = ::GetModuleHandleW(nullptr);
        type.lpszClassName = kHelperClass;
        ::RegisterClassW(&type);  // fails harmlessly when registered by an earlier test
        hwnd = ::CreateWindowExW(0, kHelperClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance, nullptr);
    }
    ~HelperWindow() { ::DestroyWindow(hwnd); }
    HelperWindow(const HelperWindow&) = delete;
    HelperWindow& operator=(const HelperWindow&) = delete;

    HWND hwnd;
};

bool IsDialog(HWND window) {
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    return std::wstring(name) == kDialogClass;
}

// Pages are told apart by the controls they hold: the name box, Next, the prompt's OK.
bool IsKind(HWND window, PageKind kind) {
    const bool settings = ::GetDlgItem(window, 1013) != nullptr;
    const bool os = !settings && ::GetDlgItem(window, 1007) != nullptr;
    const bool prompt = !settings && ::GetDlgItem(window, 3) != nullptr && ::GetDlgItem(window, 1016) != nullptr;
    switch (kind) {
        case PageKind::Os:
            return os;
        case PageKind::Settings:
            return settings;
        case PageKind::Prompt:
            return prompt;
        case PageKind::MessageBox:
            return !settings && !os && !prompt && ::GetDlgItem(window, kMessageBoxText) != nullptr;
    }
    return false;
}

struct Search {
    PageKind kind;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<Search*>(param);
    if (IsDialog(window) && IsKind(window, search.kind) && (!search.visibleOnly || ::IsWindowVisible(window))) {
        search.found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> Dialogs(DWORD thread, PageKind kind, bool visibleOnly) {
    Search search{kind, visibleOnly, {}};
    ::EnumThreadWindows(thread, Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool PollUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        ::Sleep(5);
    }
}

// Ends whatever the script left open, innermost first, so that the modal run returns.
void CloseEverything(DWORD thread, const std::atomic<bool>& done) {
    const bool closed = PollUntil(
        [&] {
            for (const PageKind kind : {PageKind::MessageBox, PageKind::Prompt, PageKind::Settings, PageKind::Os}) {
                for (HWND window : Dialogs(thread, kind, false)) {
                    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                }
            }
            return done.load();
        },
        kDriverTimeout);
    if (!closed) {
        ADD_FAILURE() << "the pages could not be closed";
        ::ExitProcess(3);
    }
}

}  // namespace

HWND Driver::FindPage(PageKind kind) const {
    const std::vector<HWND> found = Dialogs(uiThread_, kind, true);
    return found.empty() ? nullptr : found.front();
}

HWND Driver::WaitForPage(PageKind kind) {
    HWND page = nullptr;
    WaitUntil([&] { return (page = FindPage(kind)) != nullptr; }, "the page to open");
    return page;
}

bool Driver::IsOpen(PageKind kind) const {
    return FindPage(kind) != nullptr;
}

bool Driver::WaitUntil(const std::function<bool()>& condition, const char* what) {
    if (PollUntil(condition, kDriverTimeout)) return true;
    ADD_FAILURE() << "timed out waiting for " << what;
    return false;
}

void Driver::Click(HWND page, int controlId) const {
    ::PostMessageW(::GetDlgItem(page, controlId), BM_CLICK, 0, 0);
}

void Driver::Choose(HWND page, int comboId, int index) const {
    HWND combo = ::GetDlgItem(page, comboId);
    // Both posted, so that choices follow one another in order; and not sent, since the
    // page may answer with a message box that a sent message would wait for.
    ::PostMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::PostMessageW(page, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

HWND Driver::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(uiThread_, &info);
    return info.hwndFocus;
}

void Driver::PressKey(UINT key) {
    HWND focus = nullptr;
    if (!WaitUntil([&] { return (focus = Focus()) != nullptr; }, "a control with the keyboard focus")) return;
    ::PostMessageW(focus, WM_KEYDOWN, key, 1);
    ::PostMessageW(focus, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void Driver::SystemCommand(HWND page, WPARAM command) const {
    ::PostMessageW(page, WM_SYSCOMMAND, command, 0);
}

void Driver::OnUi(const std::function<void()>& action) {
    HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::PostMessageW(helper_, kRunAction, reinterpret_cast<WPARAM>(done), reinterpret_cast<LPARAM>(&action));
    const bool ran = ::WaitForSingleObject(done, static_cast<DWORD>(kDriverTimeout.count())) == WAIT_OBJECT_0;
    ::CloseHandle(done);
    if (!ran) {
        ADD_FAILURE() << "the page's thread did not answer";
        ::ExitProcess(3);  // the action still refers to this frame
    }
}

std::wstring Driver::Text(HWND window) {
    std::wstring text(static_cast<std::size_t>(::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    const LRESULT length = ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

bool Driver::Checked(HWND page, int controlId) {
    return ::SendDlgItemMessageW(page, controlId, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int Driver::Selection(HWND page, int comboId) {
    return static_cast<int>(::SendDlgItemMessageW(page, comboId, CB_GETCURSEL, 0, 0));
}

std::vector<std::wstring> Driver::Items(HWND page, int comboId) {
    std::vector<std::wstring> items;
    const auto count = ::SendDlgItemMessageW(page, comboId, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto index = static_cast<WPARAM>(i);
        std::wstring text(static_cast<std::size_t>(::SendDlgItemMessageW(page, comboId, CB_GETLBTEXTLEN, index, 0)) + 1,
                          L'\0');
        ::SendDlgItemMessageW(page, comboId, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
        text.resize(text.size() - 1);
        items.push_back(text);
    }
    return items;
}

std::wstring Driver::SelectedItem(HWND page, int comboId) {
    const int selection = Selection(page, comboId);
    if (selection < 0) return {};
    return Items(page, comboId).at(static_cast<std::size_t>(selection));
}

INT_PTR RunDriven(CDialog& page, const std::function<void(Driver&)>& script) {
    const HelperWindow helper;
    const DWORD uiThread = ::GetCurrentThreadId();
    std::atomic<bool> done{false};
    std::thread driverThread([&] {
        Driver driver(uiThread, helper.hwnd);
        script(driver);
        if (!PollUntil([&] { return done.load(); }, kDriverTimeout)) {
            ADD_FAILURE() << "the script left a page open";
            CloseEverything(uiThread, done);
        }
    });
    const INT_PTR result = page.DoModal();
    done = true;
    // Whatever the script posted after the page ended must not reach the next test.
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    driverThread.join();
    return result;
}
