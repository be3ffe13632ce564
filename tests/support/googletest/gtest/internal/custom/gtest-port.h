#pragma once

// GoogleTest's port header includes this one first, before anything of its own. Built by
// the Windows compilers, whose runtime has no std::mutex or std::condition_variable,
// GoogleTest's Notification (which only its own thread helpers use) is this one, which
// needs neither.
#include <atomic>

#if defined(_WIN32) && !defined(_GLIBCXX_HAS_GTHREADS)
#define GTEST_HAS_NOTIFICATION_ 1

// As <windows.h> declares it, which this header must not include (its macros would reach
// every test).
extern "C" __declspec(dllimport) void __stdcall Sleep(unsigned long milliseconds);

namespace testing::internal {

class Notification {
public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { notified_.store(true); }
    void WaitForNotification() {
        while (!notified_.load()) Sleep(1);
    }

private:
    std::atomic<bool> notified_{false};
};

}  // namespace testing::internal
#endif
