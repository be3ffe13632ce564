#pragma once

#include <windows.h>

// A critical section: taken again by the thread that holds it, it is held once more.
class CriticalSection {
public:
    CriticalSection() { ::InitializeCriticalSection(&section_); }
    ~CriticalSection() { ::DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { ::EnterCriticalSection(&section_); }
    void Leave() { ::LeaveCriticalSection(&section_); }
    // Enters when no other thread holds it; false when one does.
    bool TryEnter() { return ::TryEnterCriticalSection(&section_) != FALSE; }

    // Holds the section for as long as it lives.
    class Held {
    public:
        explicit Held(CriticalSection& section) : section_(section) { section_.Enter(); }
        ~Held() { section_.Leave(); }
        Held(const Held&) = delete;
        Held& operator=(const Held&) = delete;

    private:
        CriticalSection& section_;
    };

private:
    CRITICAL_SECTION section_{};
};
