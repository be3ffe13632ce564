#include "win/pages/progress_dlg.h"

#include <cstddef>
#include <iterator>
#include <utility>

#include "win/framework/win_app.h"
#include "win/platform/system_paths.h"

const CRuntimeClass CProgressDlg::classCProgressDlg = {"CProgressDlg", &CDialog::classCDialog};

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
// As commctrl.h names them; that header is not needed for one message.
constexpr UINT kSetMarquee = WM_USER + 10;  // PBM_SETMARQUEE
constexpr LPARAM kMarqueeMilliseconds = 30;

struct StepText {
    RunStep step;
    UINT text;
};

// In the order of RunStep, one row each.
constexpr StepText kStepTexts[] = {
    {RunStep::Starting, IDS_STEP_STARTING},
    {RunStep::WaitingForAnotherInstallation, IDS_STEP_WAITING},
    {RunStep::NameSearch, IDS_STEP_NAME_SEARCH},
    {RunStep::DriverInstallation, IDS_STEP_DRIVER_INSTALLATION},
    {RunStep::PrinterCreation, IDS_STEP_PRINTER_CREATION},
    {RunStep::RecordFile, IDS_STEP_RECORD_FILE},
    {RunStep::DefaultPrinter, IDS_STEP_DEFAULT_PRINTER},
    {RunStep::ComPortConfiguration, IDS_STEP_COM_PORT},
    {RunStep::TestPage, IDS_STEP_TEST_PAGE},
    {RunStep::RecordReading, IDS_STEP_RECORD_READING},
    {RunStep::PrinterRemoval, IDS_STEP_PRINTER_REMOVAL},
    {RunStep::DriverRemoval, IDS_STEP_DRIVER_REMOVAL},
    {RunStep::RecordRemoval, IDS_STEP_RECORD_REMOVAL},
};

constexpr bool EveryStepInItsRow() {
    for (std::size_t i = 0; i < std::size(kStepTexts); ++i) {
        if (kStepTexts[i].step != static_cast<RunStep>(i)) return false;
    }
    return std::size(kStepTexts) == static_cast<std::size_t>(RunStep::RecordRemoval) + 1;
}
static_assert(EveryStepInItsRow(), "a step without its text, or out of order");

BOOL CALLBACK FindVisible(HWND window, LPARAM found) {
    if (!::IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

}  // namespace

UINT StepTextId(RunStep step) {
    const auto row = static_cast<std::size_t>(step);
    return row < std::size(kStepTexts) ? kStepTexts[row].text : IDS_STEP_STARTING;
}

CProgressDlg::CProgressDlg(LanguageLibrary language, Win32Progress& progress, std::function<void()> work,
                           std::function<void()> cancel)
    : CDialogImpl(IDD), language_(language), progress_(progress), work_(std::move(work)), cancel_(std::move(cancel)) {}

INT_PTR CProgressDlg::DoModal() {
    InitCommonControls();  // the moving bar's window class
    const INT_PTR result = CDialog::DoModal();
    if (thread_) {
        ::WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    } else {
        // No window, or no thread for the work: the installation is not lost with them.
        work_();
    }
    return result;
}

BOOL CProgressDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(AfxGetAppName());
    SendMessage(WM_SETICON, ICON_SMALL,
                reinterpret_cast<LPARAM>(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_KESTRIN))));
    GetDlgItem(IDC_PROGRESS_CANCEL).SetWindowText(language_.Text(IDS_CANCEL).c_str());
    GetDlgItem(IDC_PROGRESS_BAR).SendMessage(kSetMarquee, TRUE, kMarqueeMilliseconds);
    OfferCancel(false);
    Refresh();

    thread_.reset(::CreateThread(nullptr, 0, RunWork, this, 0, &threadId_));
    if (!thread_ || ::SetTimer(m_hWnd, kRefreshTimer, kRefreshMilliseconds, nullptr) == 0) {
        // Without either, nothing would ever end this window: the work runs on after it.
        if (thread_) ::WaitForSingleObject(thread_.get(), INFINITE);
        EndDialog(IDABORT);
    }
    // The focus on the window itself: Escape reaches it, and Enter presses no button.
    ::SetFocus(m_hWnd);
    return FALSE;
}

DWORD WINAPI CProgressDlg::RunWork(LPVOID self) {
    static_cast<CProgressDlg*>(self)->work_();
    return 0;
}

LRESULT CProgressDlg::OnTimer(WPARAM timer, LPARAM) {
    if (timer != kRefreshTimer) {
        Default();
        return 0;
    }
    if (::WaitForSingleObject(thread_.get(), 0) == WAIT_OBJECT_0) {
        ::KillTimer(m_hWnd, kRefreshTimer);
        EndDialog(IDOK);
        return 0;
    }
    Refresh();
    return 0;
}

void CProgressDlg::Refresh() {
    const RunStep step = progress_.Step();
    if (step != shown_) {
        GetDlgItem(IDC_PROGRESS_STATUS).SetWindowText(language_.Text(StepTextId(step)).c_str());
        shown_ = step;
    }
    const bool waiting = step == RunStep::WaitingForAnotherInstallation;
    if (waiting != cancelOffered_) OfferCancel(waiting);
    // A message of the printer-setup entry point must not sit behind this window, nor
    // this window on top of a question.
    if (threadId_ == 0) return;
    const bool hide = WorkShowsAWindow();
    if (hide == (::IsWindowVisible(m_hWnd) != FALSE)) ShowWindow(hide ? SW_HIDE : SW_SHOW);
}

void CProgressDlg::OfferCancel(bool offered) {
    cancelOffered_ = offered;
    const CWnd cancel = GetDlgItem(IDC_PROGRESS_CANCEL);
    if (!offered && ::GetFocus() == cancel.m_hWnd) ::SetFocus(m_hWnd);
    cancel.EnableWindow(offered ? TRUE : FALSE);
    cancel.ShowWindow(offered ? SW_SHOW : SW_HIDE);
    const UINT state = offered ? MF_ENABLED : MF_GRAYED;
    ::EnableMenuItem(::GetSystemMenu(m_hWnd, FALSE), SC_CLOSE, MF_BYCOMMAND | state);
}

void CProgressDlg::CancelWhileWaiting() {
    if (!cancelOffered_) return;
    cancel_();
    // Still here: the other installation ended just in time, and this one goes on.
    Refresh();
}

bool CProgressDlg::WorkShowsAWindow() const {
    bool shown = false;
    ::EnumThreadWindows(threadId_, FindVisible, reinterpret_cast<LPARAM>(&shown));
    return shown;
}
