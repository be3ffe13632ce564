#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <vector>

#include "tests/support/desktop.h"
#include "win/framework/dialog.h"

// Plays a script on a page that runs modally on this thread, as Wine's conformance tests
// drive dialogs: from the page's own message loop, one step each time the thread is idle.
// A step acts as a user's hands do (its clicks, choices and keys are posted to the real
// controls) or looks at the pages and the record; it never waits, since at idle the state
// is what it is.

using Step = std::function<void()>;
using Script = std::vector<Step>;

// Runs `page` modally and plays `script` on it; returns what the page ended with. Each
// step runs once the message loop has found the queue empty since the step before: what
// that step posted has been handled (nested pages and message boxes run their own loops,
// which play on), and a page the dialog manager shows at idle is on screen. A step that
// fails ends the script; a page the script leaves open fails the test and is closed.
INT_PTR RunScript(CDialog& page, const Script& script);

// The visible page of that kind (a test failure when there is none), one of its
// controls, and the control that has the keyboard focus.
HWND Page(PageKind kind);
HWND Control(PageKind kind, int controlId);
HWND Focus();

Step ClickOn(PageKind kind, int controlId);
Step ChooseIn(PageKind kind, int comboId, int position);
Step Key(WORD virtualKey);
Step Command(PageKind kind, WPARAM systemCommand);
Step PostTo(PageKind kind, UINT message);
// Checks that exactly these pages are on screen, or where the keyboard focus is.
Step OnScreen(std::initializer_list<PageKind> kinds);
Step FocusOn(PageKind kind, int controlId);
