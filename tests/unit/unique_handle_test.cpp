#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

#include "win/platform/unique_handle.h"

namespace {

// Handles are small integers; every close is recorded, with the policy that did it.
struct Closes {
    std::vector<int> handles;
    std::vector<int> policies;
};

template <int kInvalid>
struct CountingPolicy {
    using Handle = int;
    Closes* closes = nullptr;
    int id = 0;
    static Handle Invalid() noexcept { return kInvalid; }
    void Close(Handle handle) const noexcept {
        closes->handles.push_back(handle);
        closes->policies.push_back(id);
    }
};

using ZeroInvalid = CountingPolicy<0>;
using MinusOneInvalid = CountingPolicy<-1>;
using Handle = UniqueHandle<ZeroInvalid>;

static_assert(!std::is_copy_constructible_v<Handle> && !std::is_copy_assignable_v<Handle>);
static_assert(std::is_nothrow_move_constructible_v<Handle> && std::is_nothrow_move_assignable_v<Handle>);
// The two kinds of "no handle" are different types: neither converts to the other.
static_assert(!std::is_convertible_v<UniqueHandle<ZeroInvalid>, UniqueHandle<MinusOneInvalid>>);
static_assert(!std::is_assignable_v<UniqueHandle<ZeroInvalid>&, UniqueHandle<MinusOneInvalid>>);
// A policy without state costs nothing.
struct StatelessPolicy {
    using Handle = void*;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle) noexcept {}
};
static_assert(sizeof(UniqueHandle<StatelessPolicy>) == sizeof(void*));

TEST(UniqueHandle, EachHandleIsClosedOnceThroughItsOwnPolicy) {
    Closes closes;
    {
        Handle a(7, {&closes, 1});
        Handle b(8, {&closes, 2});
        Handle moved(std::move(a));  // a owns nothing now
        EXPECT_FALSE(a);
        EXPECT_EQ(moved.get(), 7);

        b = std::move(moved);  // b's own 8 goes through policy 2 first
        EXPECT_EQ(closes.handles, (std::vector<int>{8}));
        EXPECT_EQ(b.get(), 7);

        b.reset(9);  // 7 goes back through the policy it came with
        EXPECT_EQ(b.get(), 9);
    }
    EXPECT_EQ(closes.handles, (std::vector<int>{8, 7, 9}));
    EXPECT_EQ(closes.policies, (std::vector<int>{2, 1, 1}));
}

TEST(UniqueHandle, ReleaseGivesUpWithoutClosing) {
    Closes closes;
    int released = 0;
    {
        Handle h(5, {&closes, 1});
        released = h.release();
        EXPECT_FALSE(h);
        EXPECT_EQ(h.get(), 0);
    }
    EXPECT_EQ(released, 5);
    EXPECT_TRUE(closes.handles.empty());
}

struct InvalidCase {
    const char* name;
    bool minusOneInvalid;
    int value;
    bool owns;
};

class InvalidValueTest : public testing::TestWithParam<InvalidCase> {};

// Zero is a real handle where -1 means "none", and the other way round.
TEST_P(InvalidValueTest, OnlyTheKindsOwnInvalidValueMeansNothingHeld) {
    Closes closes;
    bool owns = false;
    if (GetParam().minusOneInvalid) {
        UniqueHandle<MinusOneInvalid> h(GetParam().value, {&closes, 1});
        owns = static_cast<bool>(h);
    } else {
        UniqueHandle<ZeroInvalid> h(GetParam().value, {&closes, 1});
        owns = static_cast<bool>(h);
    }
    EXPECT_EQ(owns, GetParam().owns);
    EXPECT_EQ(closes.handles, owns ? std::vector<int>{GetParam().value} : std::vector<int>{});
}

INSTANTIATE_TEST_SUITE_P(Kinds, InvalidValueTest,
                         testing::Values(InvalidCase{"NullKindZero", false, 0, false},
                                         InvalidCase{"NullKindMinusOne", false, -1, true},
                                         InvalidCase{"ValueKindMinusOne", true, -1, false},
                                         InvalidCase{"ValueKindZero", true, 0, true}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(UniqueHandle, PutClosesTheOldHandleBeforeHandingOutTheSlot) {
    Closes closes;
    Handle h(3, {&closes, 1});
    *h.put() = 4;  // as an out-parameter would fill it
    EXPECT_EQ(closes.handles, (std::vector<int>{3}));
    EXPECT_EQ(h.get(), 4);
    h.reset();
    h.reset();
    EXPECT_EQ(closes.handles, (std::vector<int>{3, 4}));
}

}  // namespace
