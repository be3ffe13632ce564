#pragma once

#include <windows.h>

#include <span>

// One row of a page's message map (made with CDialogImpl's OnCommand and OnMessage).
// WM_COMMAND rows match on notification code and control id together and call a
// command handler; every other row matches on the message alone and calls a handler
// that returns the message's result.
template <class Page>
struct MessageMapEntry {
    UINT message;
    UINT notifyCode;
    UINT controlId;
    void (Page::*command)();
    LRESULT (Page::*handler)(WPARAM, LPARAM);
};

// Calls the handler of the first row that matches. False when no row does, so that the
// dialog manager does its default work.
template <class Page>
bool DispatchThroughMap(Page& page, std::span<const MessageMapEntry<Page>> map, UINT message, WPARAM wParam,
                        LPARAM lParam, LRESULT& result) {
    for (const MessageMapEntry<Page>& entry : map) {
        if (entry.message != message) continue;
        if (entry.command != nullptr) {
            if (HIWORD(wParam) != entry.notifyCode || LOWORD(wParam) != entry.controlId) continue;
            (page.*entry.command)();
            result = 0;
        } else {
            result = (page.*entry.handler)(wParam, lParam);
        }
        return true;
    }
    return false;
}
