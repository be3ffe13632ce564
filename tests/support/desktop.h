#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// The wizard's windows as a user sees them, and a user's hands on them: every action is
// a message that a click, a choice from a list or a key press would produce, posted to
// the real control. It works alike on the pages of this process and of another one.

// Message stays the last kind: the page scripts count the kinds up to it. Progress is the
// window the installation runs under.
enum class PageKind { Os, Settings, Prompt, Progress, Message };

std::optional<PageKind> PageKindFromName(const std::wstring& name);

// Pages are told apart by the controls they hold, never by their captions, which change
// with the language.
bool IsPage(HWND window, PageKind kind);
// The visible top-level windows of a process, and the visible page of that kind.
std::vector<HWND> VisibleWindows(DWORD processId);
HWND FindPage(DWORD processId, PageKind kind);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
// A window as a failure message names it: its control id, class and text.
std::wstring Describe(HWND window);
bool IsChecked(HWND button);
// The texts of a combo box's list in list order; its selected position (-1 for none)
// and the text there.
std::vector<std::wstring> ComboItems(HWND combo);
int ComboSelection(HWND combo);
std::optional<std::wstring> SelectedItem(HWND combo);
// The window that has the keyboard focus in that thread, or null.
HWND FocusedWindow(DWORD threadId);

void Click(HWND control);
// Selects the list position (-1: no selection) and tells the page, as a choice from the
// drop-down list does; by text, false when the list has no such item.
void ChooseAt(HWND page, int comboId, int position);
bool Choose(HWND page, int comboId, const std::wstring& item);
// A key press and release on the control that has the keyboard focus in that thread;
// false when none has it.
bool PressKey(DWORD threadId, WORD virtualKey);
// A command of the window menu (SC_CLOSE, SC_MAXIMIZE, ...).
void SystemCommand(HWND page, WPARAM command);

// Saves what the screen shows of the window as a 24-bit BMP file.
bool SaveScreenshot(HWND window, const std::wstring& path);
