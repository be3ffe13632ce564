#pragma once

#include <utility>

// Owns one handle and gives it back to the system exactly once.
//
// A policy says what the handle is and how it is closed:
//   using Handle = ...;
//   static Handle Invalid() noexcept;     // the value that owns nothing
//   void Close(Handle) const noexcept;    // may be static; may use state of its own
// Handles whose "nothing" is null and those whose "nothing" is INVALID_HANDLE_VALUE get
// different policies, so the two kinds are different types and never mix.
template <typename Policy>
class UniqueHandle {
public:
    using Handle = typename Policy::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle, Policy policy = Policy{}) noexcept
        : handle_(handle), policy_(std::move(policy)) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()), policy_(std::move(other.policy_)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            const Handle incoming = other.release();
            reset();  // our own handle goes back through our own policy
            policy_ = std::move(other.policy_);
            handle_ = incoming;
        }
        return *this;
    }

    // Closes what is held (if anything) and takes `handle` instead.
    void reset(Handle handle = Policy::Invalid()) noexcept {
        const Handle old = std::exchange(handle_, handle);
        if (old != Policy::Invalid()) policy_.Close(old);
    }

    // Gives the handle up without closing it.
    [[nodiscard]] Handle release() noexcept { return std::exchange(handle_, Policy::Invalid()); }

    [[nodiscard]] Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Policy::Invalid(); }

    // For out-parameters: closes what is held and hands out the slot to fill.
    [[nodiscard]] Handle* put() noexcept {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Policy::Invalid();
    [[no_unique_address]] Policy policy_{};
};
