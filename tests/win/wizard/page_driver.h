#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "win/framework/dialog.h"

// Drives pages the way a user does (clicks, list choices, keys, the window menu), by
// messages to the real controls, from a thread of its own while the page runs its modal
// loop on the test's thread.

enum class PageKind { Os, Settings, Prompt, MessageBox };

class Driver {
public:
    // `helper` runs OnUi actions; null for a page of another process.
    Driver(DWORD uiThread, HWND helper) : uiThread_(uiThread), helper_(helper) {}

    // The visible window of that kind; null (and a test failure) after the timeout.
    HWND WaitForPage(PageKind kind);
    // Polls until `condition` holds; false (and a test failure naming `what`) on timeout.
    bool WaitUntil(const std::function<bool()>& condition, const char* what);
    // True while a visible window of that kind is open.
    bool IsOpen(PageKind kind) const;

    void Click(HWND page, int controlId) const;
    // Selects a list item and tells the page, as a choice from the drop-down list does.
    void Choose(HWND page, int comboId, int index) const;
    // Key press and release on the control that has the keyboard focus.
    void PressKey(UINT key);
    void SystemCommand(HWND page, WPARAM command) const;

    // Runs `action` on the page's thread once everything posted so far has been handled.
    void OnUi(const std::function<void()>& action);
    void Settle() {
        OnUi([] {});
    }

    HWND Focus() const;
    // Through WM_GETTEXT, which also reads the controls of another process.
    static std::wstring Text(HWND window);
    static std::wstring Text(HWND page, int controlId) { return Text(::GetDlgItem(page, controlId)); }
    static bool Checked(HWND page, int controlId);
    static bool Enabled(HWND page, int controlId) { return ::IsWindowEnabled(::GetDlgItem(page, controlId)) != 0; }
    static int Selection(HWND page, int comboId);
    static std::vector<std::wstring> Items(HWND page, int comboId);
    // The selected item's text, empty when nothing is selected.
    static std::wstring SelectedItem(HWND page, int comboId);

private:
    HWND FindPage(PageKind kind) const;

    DWORD uiThread_;
    HWND helper_;
};

inline constexpr std::chrono::milliseconds kDriverTimeout{10000};

// Runs `page` modally on this thread while `script` drives it; returns what the page
// ended with. A page the script leaves open is closed and the test fails.
INT_PTR RunDriven(CDialog& page, const std::function<void(Driver&)>& script);
