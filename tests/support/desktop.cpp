#include "tests/support/desktop.h"

#include <filesystem>
#include <fstream>
#include <initializer_list>

#include "res/resource_ids.h"

namespace {

constexpr int kMessageText = 0xFFFF;

bool HasControls(HWND page, std::initializer_list<int> ids) {
    for (const int id : ids) {
        if (!GetDlgItem(page, id)) return false;
    }
    return true;
}

struct Search {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectVisible(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && IsWindowVisible(window)) search.windows.push_back(window);
    return TRUE;
}

void PostKey(HWND target, UINT message, WORD virtualKey, bool up) {
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    LPARAM flags = 1 | static_cast<LPARAM>(scan) << 16;
    if (up) flags |= static_cast<LPARAM>(0xC0000000u);
    PostMessageW(target, message, virtualKey, flags);
}

}  // namespace

std::optional<PageKind> PageKindFromName(const std::wstring& name) {
    if (name == L"os") return PageKind::Os;
    if (name == L"settings") return PageKind::Settings;
    if (name == L"prompt") return PageKind::Prompt;
    if (name == L"progress") return PageKind::Progress;
    if (name == L"message") return PageKind::Message;
    return std::nullopt;
}

bool IsPage(HWND window, PageKind kind) {
    if (ClassName(window) != L"#32770") return false;
    switch (kind) {
        case PageKind::Os:
            return HasControls(window, {IDC_WINDOWS_2000, IDC_WINDOWS_8, IDC_WINDOWS_7, IDC_OS_NEXT, IDC_OS_GROUP});
        case PageKind::Settings:
            return HasControls(window, {IDC_SET_AS_DEFAULT, IDC_PORT, IDC_SETTINGS_OK, IDC_PRINTER_NAME});
        case PageKind::Prompt:
            return HasControls(window, {IDC_PROMPT_OK, IDC_PRINT_YES, IDC_PRINT_NO, IDC_PROMPT_BACK});
        case PageKind::Progress:
            return HasControls(window, {IDC_PROGRESS_STATUS, IDC_PROGRESS_BAR, IDC_PROGRESS_CANCEL});
        case PageKind::Message:
            // With or without an owner: a failed installation's message comes after the pages.
            return HasControls(window, {IDOK, kMessageText});
    }
    return false;
}

std::vector<HWND> VisibleWindows(DWORD processId) {
    Search search{processId, {}};
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

HWND FindPage(DWORD processId, PageKind kind) {
    for (const HWND window : VisibleWindows(processId)) {
        if (IsPage(window, kind)) return window;
    }
    return nullptr;
}

std::wstring WindowText(HWND window) {
    // WM_GETTEXT rather than GetWindowTextW, which does not ask another process's controls;
    // with a time limit, since the program may be busy installing.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return L"(no answer)";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             2000, &copied)) {
        return L"(no answer)";
    }
    text.resize(copied);
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[64];
    const int length = GetClassNameW(window, name, 64);
    return {name, static_cast<std::size_t>(length > 0 ? length : 0)};
}

std::wstring Describe(HWND window) {
    if (!window) return L"nothing";
    return L"control " + std::to_wstring(GetDlgCtrlID(window)) + L" " + ClassName(window) + L" |" + WindowText(window) +
           L"|";
}

bool IsChecked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto index = static_cast<WPARAM>(i);
        const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
        std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
        const LRESULT copied = SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
        items.push_back(text);
    }
    return items;
}

int ComboSelection(HWND combo) {
    return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

std::optional<std::wstring> SelectedItem(HWND combo) {
    const int selected = ComboSelection(combo);
    const std::vector<std::wstring> items = ComboItems(combo);
    if (selected < 0 || static_cast<std::size_t>(selected) >= items.size()) return std::nullopt;
    return items[static_cast<std::size_t>(selected)];
}

HWND FocusedWindow(DWORD threadId) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(threadId, &info)) return nullptr;
    return info.hwndFocus;
}

void Click(HWND control) {
    // Posted: the handler may run a nested modal page or a message box, and a sent click
    // would wait for it to close.
    PostMessageW(control, BM_CLICK, 0, 0);
}

void ChooseAt(HWND page, int comboId, int position) {
    // Both posted, so that choices reach the page in the order they were made.
    const HWND combo = GetDlgItem(page, comboId);
    PostMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
    PostMessageW(page, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(comboId), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

bool Choose(HWND page, int comboId, const std::wstring& item) {
    const std::vector<std::wstring> items = ComboItems(GetDlgItem(page, comboId));
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] != item) continue;
        ChooseAt(page, comboId, static_cast<int>(i));
        return true;
    }
    return false;
}

bool PressKey(DWORD threadId, WORD virtualKey) {
    // Only the focused control: a key posted to the page itself would not be what a
    // user's key press is.
    const HWND target = FocusedWindow(threadId);
    if (!target) return false;
    PostKey(target, WM_KEYDOWN, virtualKey, false);
    PostKey(target, WM_KEYUP, virtualKey, true);
    return true;
}

void SystemCommand(HWND page, WPARAM command) {
    PostMessageW(page, WM_SYSCOMMAND, command, 0);
}

bool SaveScreenshot(HWND window, const std::wstring& path) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;

    // A window of this process is read from its own surface, which holds what it painted
    // even before Wine has passed that on to the screen; another's from the screen.
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    const bool own = owner == GetCurrentProcessId();
    const HDC screen = own ? GetWindowDC(window) : GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied =
        BitBlt(memory, 0, 0, width, height, screen, own ? 0 : rect.left, own ? 0 : rect.top, SRCCOPY) != FALSE;
    GdiFlush();

    const auto stride = static_cast<std::size_t>((width * 3 + 3) & ~3);
    const std::size_t imageSize = stride * static_cast<std::size_t>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = static_cast<DWORD>(header.bfOffBits + imageSize);
    bool written = false;
    if (copied) {
        std::ofstream file(std::filesystem::path(path), std::ios::binary);
        file.write(reinterpret_cast<const char*>(&header), sizeof header);
        file.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
        file.write(static_cast<const char*>(bits), static_cast<std::streamsize>(imageSize));
        written = file.good();
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(own ? window : nullptr, screen);
    return written;
}
