#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "core/install_system.h"
#include "res/resource_ids.h"
#include "win/framework/dialog.h"
#include "win/platform/handles.h"
#include "win/platform/language_library.h"
#include "win/platform/win32_progress.h"

// The text that says what a run does in `step`.
UINT StepTextId(RunStep step);

// What a run does for tens of seconds on a real machine, on screen: its step's text under
// a moving bar. The work runs on a thread of its own, so that this window stays alive
// while the printer-setup entry point or the wait for another installation blocks; the
// window ends when the work has. Only while the run waits for another installation can it
// be left: Cancel (or Escape, or the close command) then calls `cancel`, which decides
// whether the wait is still on. While the work's thread shows a window of its own (a
// message of the printer-setup entry point, a question), this one steps out of its way.
class CProgressDlg : public CDialogImpl<CProgressDlg> {
public:
    static constexpr UINT IDD = IDD_PROGRESS;

    CProgressDlg(LanguageLibrary language, Win32Progress& progress, std::function<void()> work,
                 std::function<void()> cancel);
    ~CProgressDlg() override = default;

    // Returns once the work has ended. When the window or its thread cannot be had, the
    // work runs on this thread all the same.
    INT_PTR DoModal() override;

    static const CRuntimeClass classCProgressDlg;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCProgressDlg; }

    static const MessageMapEntry<CProgressDlg> messageMap[];

    // How often the window looks at the run, in milliseconds.
    static constexpr UINT kRefreshMilliseconds = 100;

protected:
    BOOL OnInitDialog() override;
    // Enter ends nothing: only the work's end does.
    void OnOK() override {}
    // Escape and the close command.
    void OnCancel() override { CancelWhileWaiting(); }

private:
    static DWORD WINAPI RunWork(LPVOID self);
    LRESULT OnTimer(WPARAM timer, LPARAM);
    void CancelWhileWaiting();
    // Shows the step the run is in now, and Cancel only while it waits.
    void Refresh();
    void OfferCancel(bool offered);
    bool WorkShowsAWindow() const;

    LanguageLibrary language_;
    Win32Progress& progress_;
    std::function<void()> work_;
    std::function<void()> cancel_;
    UniqueProcessHandle thread_;
    DWORD threadId_ = 0;
    std::optional<RunStep> shown_;
    bool cancelOffered_ = false;
};

inline const MessageMapEntry<CProgressDlg> CProgressDlg::messageMap[] = {
    OnMessage(WM_TIMER, &CProgressDlg::OnTimer),
    OnCommand(BN_CLICKED, IDC_PROGRESS_CANCEL, &CProgressDlg::CancelWhileWaiting),
};
