#include "win/platform/time_limit.h"

#include "core/exit_code.h"

namespace {

constexpr LONG kWatching = 0;
constexpr LONG kStopped = 1;
constexpr LONG kRanOut = 2;
constexpr auto kCode = ExitCode::TimeLimitReached;

UniqueProcessHandle ManualEvent() {
    return UniqueProcessHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

// A thread with nothing left to do but wait for the process to end.
[[noreturn]] void WaitForTheEnd() {
    for (;;) ::Sleep(INFINITE);
}

}  // namespace

void TimeLimit::OutputGate::Lock() {
    if (ClosedFor(::GetCurrentThreadId())) return;
    section_.Enter();
    if (::InterlockedCompareExchange(&closed_, 0, 0) != 0 && ::GetCurrentThreadId() != closer_) {
        section_.Leave();
        WaitForTheEnd();
    }
}

void TimeLimit::OutputGate::Unlock() {
    if (!ClosedFor(::GetCurrentThreadId())) section_.Leave();
}

void TimeLimit::OutputGate::Close() {
    closer_ = ::GetCurrentThreadId();
    ::InterlockedExchange(&closed_, 1);
}

void TimeLimit::OutputGate::Take(DWORD milliseconds) {
    const DWORD start = ::GetTickCount();
    // Once had, the section is kept: the process ends holding it.
    while (!section_.TryEnter()) {
        if (::GetTickCount() - start >= milliseconds) return;
        ::Sleep(10);
    }
}

bool TimeLimit::OutputGate::ClosedFor(DWORD thread) const {
    return ::InterlockedCompareExchange(const_cast<volatile LONG*>(&closed_), 0, 0) != 0 && thread == closer_;
}

HANDLE TimeLimit::StartThread(LPTHREAD_START_ROUTINE routine, LPVOID argument) {
    // The shipped programs' runtime has no std::thread.
    return ::CreateThread(nullptr, 0, routine, argument, 0, nullptr);
}

TimeLimit::TimeLimit(std::int32_t seconds, DWORD startTick, const WatchedRun& run)
    : seconds_(seconds),
      startTick_(startTick),
      run_(run),
      stopped_(ManualEvent()),
      ask_(ManualEvent()),
      answered_(ManualEvent()) {}

std::unique_ptr<TimeLimit> TimeLimit::Start(std::int32_t seconds, DWORD startTick, const WatchedRun& run,
                                            ThreadStarter startThread) {
    std::unique_ptr<TimeLimit> limit(new TimeLimit(seconds, startTick, run));
    if (!limit->stopped_ || !limit->ask_ || !limit->answered_) return nullptr;
    // The run's lines go through the gate before the limit can run out.
    run.output.SetLock(&limit->gate_);
    // Both threads start now: a thread started once the time has run out would wait, as
    // it starts, for the loader that a library stuck in its start-up holds.
    limit->answerer_.reset(startThread(Answer, limit.get()));
    if (limit->answerer_) limit->watcher_.reset(startThread(Watch, limit.get()));
    if (!limit->watcher_) return nullptr;  // the destructor ends the thread that started
    return limit;
}

TimeLimit::~TimeLimit() {
    Stop();
    run_.output.SetLock(nullptr);
}

void TimeLimit::Stop() {
    if (!watcher_ && !answerer_) return;
    if (::InterlockedCompareExchange(&state_, kStopped, kWatching) == kWatching) ::SetEvent(stopped_.get());
    for (UniqueProcessHandle* thread : {&watcher_, &answerer_}) {
        if (*thread) ::WaitForSingleObject(thread->get(), INFINITE);
        thread->reset();
    }
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

DWORD WINAPI TimeLimit::Answer(LPVOID self) {
    auto& limit = *static_cast<TimeLimit*>(self);
    const HANDLE events[] = {limit.stopped_.get(), limit.ask_.get()};
    if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return 0;
    const bool exists = limit.run_.printers.PrinterExists(limit.asked_);
    ::InterlockedExchange(&limit.exists_, exists ? 1 : 0);
    ::SetEvent(limit.answered_.get());
    return 0;
}

void TimeLimit::RunOut() {
    // The run takes no further step and writes no further line: what it was doing when
    // the time ran out is what the log says.
    run_.progress.Freeze();
    gate_.Close();
    const RunStep step = run_.progress.Step();
    const std::wstring printer = run_.progress.PrinterName();
    // A program outside a job (the job could not be made) is ended here; one in the job
    // ends with the process anyway, as the job closes.
    run_.programs.EndRunningProgram(static_cast<UINT>(kCode));
    const DWORD askedAt = ::GetTickCount();
    if (!printer.empty()) {
        asked_ = printer;
        ::SetEvent(ask_.get());
    }
    gate_.Take(kOutputLockWait);
    run_.output.Write(TimeLimitLine(seconds_, step));
    run_.output.Write(printer.empty() ? L"no printer name was chosen yet" : PrinterLine(printer, askedAt));
    run_.output.Finish(kCode);
    // Whatever the run's own thread waits for, it waits no more.
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(kCode));
}

std::wstring TimeLimit::PrinterLine(const std::wstring& printer, DWORD askedAt) {
    const DWORD waited = ::GetTickCount() - askedAt;
    const DWORD remaining = waited >= kPrinterAnswerWait ? 0 : kPrinterAnswerWait - waited;
    if (::WaitForSingleObject(answered_.get(), remaining) != WAIT_OBJECT_0) {
        return L"whether the printer " + printer + L" exists could not be told: the spooler did not answer within " +
               std::to_wstring(kPrinterAnswerWait / 1000) + L" s";
    }
    return ::InterlockedCompareExchange(&exists_, 0, 0) != 0 ? L"the printer " + printer + L" exists"
                                                             : L"there is no printer " + printer;
}
