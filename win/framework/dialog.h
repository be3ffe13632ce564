#pragma once

#include <windows.h>

#include "win/framework/message_map.h"
#include "win/framework/runtime_class.h"
#include "win/framework/wnd.h"

// Resource type that holds the items a dialog template's combo boxes start with: for
// each item the control id (one 16-bit word) and the text (UTF-16, null-terminated);
// a control id of 0 ends the list. The resource has the template's id.
inline constexpr wchar_t kListItemsResourceType[] = L"LISTITEMS";

// A page run modally from a dialog template of the program's own resources.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Returns the code the page ended with, or -1 when the dialog could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(INT_PTR result) const { ::EndDialog(m_hWnd, result); }

    static const CRuntimeClass classCDialog;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCDialog; }
    bool IsKindOf(const CRuntimeClass* type) const { return GetRuntimeClass()->IsDerivedFrom(type); }

    // The page whose modal run is the innermost one, or null outside every modal run.
    static CDialog* InnermostModal() { return s_innermostModal; }

protected:
    // Adds the template's list items; TRUE puts the focus on the first tab stop.
    virtual BOOL OnInitDialog();
    // The accept and cancel commands end the page with 1 and 2.
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    // The page's own message map (see CDialogImpl); false when no entry matches.
    virtual bool DispatchMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Moves the keyboard focus as the dialog manager does for Tab: a push button that
    // gets it becomes the default button, which Enter presses.
    void GotoDlgCtrl(const CWnd& control) const {
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control.m_hWnd), TRUE);
    }

    // From inside a handler: have the dialog manager do its default work for the message
    // as well, as though no entry had matched.
    void Default() { m_defaultRequested = true; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void AddTemplateListItems() const;

    UINT m_templateId;
    HWND m_parentHwnd;
    bool m_defaultRequested = false;

    static CDialog* s_innermostModal;
};

// The base of every page: `Page` lists its message map as
//   static const MessageMapEntry<Page> messageMap[];
// and each message goes through it; what no entry matches goes to the dialog manager.
template <class Page>
class CDialogImpl : public CDialog {
protected:
    using CDialog::CDialog;

    // Rows of the page's message map (see message_map.h). Found first from inside the
    // page's class, they take handlers of the page's bases too.
    static constexpr MessageMapEntry<Page> OnCommand(UINT notifyCode, UINT controlId, void (Page::*command)()) {
        return {WM_COMMAND, notifyCode, controlId, command, nullptr};
    }
    static constexpr MessageMapEntry<Page> OnMessage(UINT message, LRESULT (Page::*handler)(WPARAM, LPARAM)) {
        return {message, 0, 0, nullptr, handler};
    }

private:
    bool DispatchMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) final {
        return DispatchThroughMap<Page>(static_cast<Page&>(*this), Page::messageMap, message, wParam, lParam, result);
    }
};
