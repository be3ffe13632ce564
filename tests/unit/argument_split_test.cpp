// The splitter the fuzz targets hold the printer-setup commands against: its rules must
// be the platform's, or a wrongly built command would pass.

#include <gtest/gtest.h>

#include "fuzz/argument_split.h"

namespace {

using Arguments = std::vector<std::wstring>;

struct SplitCase {
    const wchar_t* line;
    Arguments arguments;
};

class ArgumentSplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(ArgumentSplitTest, FollowsTheWindowsRules) {
    EXPECT_EQ(ReceivedArguments(GetParam().line), GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    WindowsRules, ArgumentSplitTest,
    testing::Values(SplitCase{L"", {}}, SplitCase{L" \t ", {}}, SplitCase{L"  a\tb  c ", {L"a", L"b", L"c"}},
                    SplitCase{L"\"a b\"\tc", {L"a b", L"c"}},                 // quotes hold blanks
                    SplitCase{L"\"C:\\a b\".inf x", {L"C:\\a b.inf", L"x"}},  // a quoted part inside an argument
                    SplitCase{L"\"\" x", {L"", L"x"}},                        // an empty argument
                    SplitCase{L"a\\\\b\\ c\\", {L"a\\\\b\\", L"c\\"}},        // no quote: backslashes as they are
                    SplitCase{L"a\\\\\"b c\"", {L"a\\b c"}},                  // 2n: n, and the quote toggles
                    SplitCase{L"a\\\\\\\"b c", {L"a\\\"b", L"c"}},            // 2n+1: n, and a literal quote
                    SplitCase{L"\"a\"\"b c\" d", {L"a\"b c", L"d"}},          // "" in quotes: a quote, still quoted
                    SplitCase{L"a\"\"b c", {L"ab", L"c"}},                    // "" outside: nothing
                    SplitCase{L"\"open a b", {L"open a b"}}));                // quoted to the end

}  // namespace
