#include "win/platform/time_limit.h"

#include "core/exit_code.h"

namespace {

constexpr LONG kWatching = 0;
constexpr LONG kStopped = 1;
constexpr LONG kRanOut = 2;

}  // namespace

TimeLimit::TimeLimit(std::int32_t seconds, DWORD startTick, RunOutput& output, Win32InstallSystem& system)
    : seconds_(seconds),
      startTick_(startTick),
      output_(output),
      system_(system),
      stopped_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    output_.SetLock(&lock_);
    // The shipped programs' runtime has no std::thread.
    thread_.reset(::CreateThread(nullptr, 0, Watch, this, 0, nullptr));
}

TimeLimit::~TimeLimit() {
    Stop();
    output_.SetLock(nullptr);
}

void TimeLimit::Stop() {
    if (!thread_) return;
    if (::InterlockedCompareExchange(&state_, kStopped, kWatching) == kWatching) ::SetEvent(stopped_.get());
    ::WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
}

DWORD WINAPI TimeLimit::Watch(LPVOID self) {
    auto& limit = *static_cast<TimeLimit*>(self);
    const DWORD limitMs = static_cast<DWORD>(limit.seconds_) * 1000;
    const DWORD elapsed = ::GetTickCount() - limit.startTick_;
    const DWORD remaining = elapsed >= limitMs ? 0 : limitMs - elapsed;
    if (::WaitForSingleObject(limit.stopped_.get(), remaining) == WAIT_TIMEOUT &&
        ::InterlockedCompareExchange(&limit.state_, kRanOut, kWatching) == kWatching) {
        limit.RunOut();
    }
    return 0;
}

void TimeLimit::RunOut() {
    lock_.Lock();  // never given back: the process ends holding it
    output_.Write(TimeLimitLine(seconds_, system_.progress().Step()));
    const std::wstring printer = system_.progress().PrinterName();
    if (printer.empty()) {
        output_.Write(L"no printer name was chosen yet");
    } else {
        Win32Spooler spooler;
        output_.Write(spooler.PrinterExists(printer) ? L"the printer " + printer + L" exists"
                                                     : L"there is no printer " + printer);
    }
    constexpr auto kCode = ExitCode::TimeLimitReached;
    output_.Finish(kCode);
    // A program outside a job (the job could not be made) is ended here; one in the job
    // ends with the process anyway, as the job closes.
    system_.programRunner().EndRunningProgram(static_cast<UINT>(kCode));
    // Whatever the run's own thread waits for, it waits no more.
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(kCode));
}
