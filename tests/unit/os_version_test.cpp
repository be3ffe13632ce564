#include <gtest/gtest.h>

#include "core/os_version.h"
#include "tests/support/test_constants.h"

namespace {

// The system's platform ids and product types.
constexpr std::uint32_t kNt = 2;
constexpr std::uint32_t kWindows9x = 1;
constexpr std::uint8_t kWorkstation = 1;
constexpr std::uint8_t kDomainController = 2;
constexpr std::uint8_t kServer = 3;

struct OsCase {
    const char* system;
    std::optional<OsVersion> version;
    std::uint16_t architecture;
    std::int32_t osIndex;  // as the record stores it
};

class OsIndexTest : public testing::TestWithParam<OsCase> {};

TEST_P(OsIndexTest, FollowsTheDecisionTable) {
    EXPECT_EQ(static_cast<std::int32_t>(OsIndexForVersion(GetParam().version, GetParam().architecture)),
              GetParam().osIndex)
        << GetParam().system;
}

OsVersion Nt(std::uint32_t major, std::uint32_t minor, std::uint8_t productType = kWorkstation) {
    return {kNt, major, minor, productType};
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OsIndexTest,
    testing::Values(
        OsCase{"both version queries failed", std::nullopt, kAmd64, 0},
        OsCase{"Windows 95/98/Me", OsVersion{kWindows9x, 4, 10, 0}, kX86, -1},
        OsCase{"Win32s-like platform 0 reporting 6.1", OsVersion{0, 6, 1, kWorkstation}, kX86, -1},
        OsCase{"NT 4", Nt(4, 0), kX86, -1}, OsCase{"Windows 2000", Nt(5, 0), kX86, 0},
        OsCase{"Windows 2000 Server", Nt(5, 0, kServer), kX86, 0}, OsCase{"Windows XP", Nt(5, 1), kX86, 1},
        OsCase{"XP Professional x64", Nt(5, 2), kAmd64, 1}, OsCase{"5.2 workstation on Itanium", Nt(5, 2), kIa64, 2},
        OsCase{"5.2 workstation on x86", Nt(5, 2), kX86, 2}, OsCase{"Server 2003 x64", Nt(5, 2, kServer), kAmd64, 2},
        OsCase{"Server 2003 domain controller", Nt(5, 2, kDomainController), kX86, 2},
        OsCase{"5.2 from the short query (no product type)", Nt(5, 2, 0), kAmd64, 2}, OsCase{"5.3", Nt(5, 3), kX86, -1},
        OsCase{"Vista", Nt(6, 0), kAmd64, 3}, OsCase{"Server 2008", Nt(6, 0, kServer), kAmd64, 3},
        OsCase{"Windows 7", Nt(6, 1), kX86, 4}, OsCase{"Server 2008 R2", Nt(6, 1, kServer), kAmd64, 4},
        OsCase{"Windows 8 and every later workstation", Nt(6, 2), kAmd64, 5},
        OsCase{"6.3 workstation", Nt(6, 3), kX86, 5}, OsCase{"Server 2012 and later", Nt(6, 2, kServer), kAmd64, 0},
        OsCase{"6.2 domain controller", Nt(6, 2, kDomainController), kAmd64, 0},
        OsCase{"6.2 from the short query (no product type)", Nt(6, 2, 0), kX86, 0},
        OsCase{"10.0, reported only to programs that declare it", Nt(10, 0), kAmd64, -1},
        OsCase{"3.51", Nt(3, 51), kX86, -1}));

}  // namespace
