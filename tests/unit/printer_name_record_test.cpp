#include <gtest/gtest.h>

#include "core/printer_name_record.h"

namespace {

struct BytesCase {
    const wchar_t* name;
    const char* bytes;
    std::size_t length;
    bool whole;
};

class RecordBytesTest : public testing::TestWithParam<BytesCase> {};

TEST_P(RecordBytesTest, OneByteForEachUnitUpToTheFirstAbove0xFF) {
    bool whole = false;
    EXPECT_EQ(PrinterNameRecordBytes(GetParam().name, whole), std::string(GetParam().bytes, GetParam().length));
    EXPECT_EQ(whole, GetParam().whole);
}

INSTANTIATE_TEST_SUITE_P(Names, RecordBytesTest,
                         testing::Values(BytesCase{L"Kiosk1", "Kiosk1", 6, true},
                                         BytesCase{L"Kiosk1(copy of 2)", "Kiosk1(copy of 2)", 17, true},
                                         BytesCase{L"Caf\u00e9 \u00ff", "Caf\xe9 \xff", 6, true},
                                         BytesCase{L"Caja\u0100rest", "Caja", 4, false},
                                         BytesCase{L"收银台", "", 0, false},
                                         BytesCase{L"ab\u20acc\u00e9", "ab", 2, false}, BytesCase{L"", "", 0, true}));

}  // namespace
