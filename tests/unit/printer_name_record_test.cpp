#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/printer_name_record.h"

namespace {

namespace fs = std::filesystem;

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

// Runs each test in an empty folder of its own, as the installer's current directory.
class RecordFileTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("kestrin-record-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        previous_ = fs::current_path();
        fs::current_path(folder_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(folder_);
    }
    static std::string FileBytes() {
        std::ifstream in(kPrinterNameRecordFile, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    fs::path folder_;
    fs::path previous_;
};

TEST_F(RecordFileTest, HoldsExactlyTheNameAndReplacesALongerOlderFile) {
    StdioFileWriter files;
    ASSERT_EQ(WritePrinterNameRecord(files, L"A much longer older printer name").status, 1);
    const PrinterNameRecordResult result = WritePrinterNameRecord(files, L"Caf\u00e9\n2");
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(FileBytes(), "Caf\xe9\n2");
}

TEST_F(RecordFileTest, NameCutAtAWideCharacterIsReportedIncomplete) {
    StdioFileWriter files;
    const PrinterNameRecordResult result = WritePrinterNameRecord(files, L"Kiosk\u6536\u94f6");
    EXPECT_EQ(result.status, 1);
    EXPECT_FALSE(result.complete);
    EXPECT_EQ(FileBytes(), "Kiosk");
}

TEST_F(RecordFileTest, AFolderInTheWayMeansTheFileCannotBeOpened) {
    fs::create_directory(kPrinterNameRecordFile);
    StdioFileWriter files;
    const PrinterNameRecordResult result = WritePrinterNameRecord(files, L"Kiosk1");
    EXPECT_EQ(result.status, -1);
    EXPECT_FALSE(result.complete);
    EXPECT_TRUE(fs::is_directory(kPrinterNameRecordFile));
}

}  // namespace
