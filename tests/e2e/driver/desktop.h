#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// The program's windows as a user sees them, and a user's hands on them: every action is
// a message a mouse click or a key press would produce, posted to the real control.

enum class PageKind { OperatingSystem, Settings, Prompt, Message };

std::optional<PageKind> PageKindFromName(const std::wstring& name);
std::wstring PageKindName(PageKind kind);

// The visible top-level windows of a process.
std::vector<HWND> VisibleWindows(DWORD processId);
// The visible page of that kind, recognised by the controls it holds.
HWND FindPage(DWORD processId, PageKind kind);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);

// Texts of a combo box's list, in list order; its selected item's text, or nothing.
std::vector<std::wstring> ComboItems(HWND combo);
std::optional<std::wstring> ComboSelection(HWND combo);

void Click(HWND control);
// Chooses the item with this text as a user picking it from the list does. False when
// the list has no such item.
bool Choose(HWND page, int id, const std::wstring& item);
// The window with the keyboard focus in that thread, or null.
HWND FocusedWindow(DWORD threadId);
// A window as a failure message names it: its control id and text.
std::wstring Describe(HWND window);
// A key press on the control that has the keyboard focus in the program's thread.
bool PressKey(DWORD threadId, WORD virtualKey);
void CloseFromSystemMenu(HWND page);

// Saves what the screen shows of the window as a 24-bit BMP file.
bool SaveScreenshot(HWND window, const std::wstring& path);
