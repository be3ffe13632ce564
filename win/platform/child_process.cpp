#include "win/platform/child_process.h"

#include <vector>

namespace {

// A job that ends its processes once its last handle, ours, is closed.
UniqueProcessHandle KillOnCloseJob() {
    UniqueProcessHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job) return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) job.reset();
    return job;
}

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::wstring& program, const std::wstring& commandLine,
                                                  const wchar_t* directory, DWORD& error) {
    std::vector<wchar_t> command(commandLine.begin(), commandLine.end());  // CreateProcessW may write into it
    command.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    // Suspended until it is in the job, so that nothing it starts escapes the job.
    if (!::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                          directory, &startup, &started)) {
        error = ::GetLastError();
        return nullptr;
    }
    UniqueProcessHandle process(started.hProcess);
    const UniqueProcessHandle thread(started.hThread);
    UniqueProcessHandle job = KillOnCloseJob();
    if (job && !::AssignProcessToJobObject(job.get(), process.get())) job.reset();
    ::ResumeThread(thread.get());
    return std::unique_ptr<ChildProcess>(new ChildProcess(std::move(process), std::move(job)));
}

std::optional<DWORD> ChildProcess::Wait(DWORD milliseconds) {
    if (::WaitForSingleObject(process_.get(), milliseconds) != WAIT_OBJECT_0) return std::nullopt;
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process_.get(), &exitCode)) return std::nullopt;
    return exitCode;
}

void ChildProcess::Terminate(UINT exitCode) const {
    if (job_) {
        ::TerminateJobObject(job_.get(), exitCode);
    } else {
        ::TerminateProcess(process_.get(), exitCode);
    }
}
