#pragma once

#include <windows.h>

#include <span>

// One row of a page's message map. WM_COMMAND rows match on notification code and
// control id together and call a command handler; every other row matches on the
// message alone and calls a handler that returns the message's result.
template <class Page>
struct MessageMapEntry {
    UINT message;
    UINT notifyCode;
    UINT controlId;
    void (Page::*command)();
    LRESULT (Page::*handler)(WPARAM, LPARAM);
};

template <class Page>
constexpr MessageMapEntry<Page> OnCommand(UINT notifyCode, UINT controlId, void (Page::*command)()) {
    return {WM_COMMAND, notifyCode, controlId, command, nullptr};
}

template <class Page>
constexpr MessageMapEntry<Page> OnMessage(UINT message, LRESULT (Page::*handler)(WPARAM, LPARAM)) {
    return {message, 0, 0, nullptr, handler};
}

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
