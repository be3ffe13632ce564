#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "tests/support/test_constants.h"
#include "tests/win/platform/platform_support.h"
#include "win/platform/handles.h"
#include "win/platform/win32_file_writer.h"

namespace {

// What is in the folder before the record is written, and what must be after.
struct RecordCase {
    const char* name;
    void (*prepare)(const ScratchDirectory&);
    FileWriter::Result result;
    std::optional<std::string> record;  // the record file's bytes afterwards; nothing: not a file
    const char* precious;               // the bytes of "precious.txt" afterwards, when there is one
    int added;                          // files in the folder afterwards that were not there before
    friend void PrintTo(const RecordCase& c, std::ostream* out) { *out << c.name; }
};

void Write(const std::wstring& path, const std::string& bytes) {
    const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

const RecordCase kCases[] = {
    {"NoEarlierRecord", [](const ScratchDirectory&) {}, FileWriter::Result::Written, "Kiosk1", nullptr, 1},
    {"LongerEarlierRecord", [](const ScratchDirectory& s) { Write(s.File(kRecordFile), "Kiosk1(copy of 12)"); },
     FileWriter::Result::Written, "Kiosk1", nullptr, 0},
    // A link planted by someone who can write the folder is replaced, its target untouched.
    {"PlantedHardLink",
     [](const ScratchDirectory& s) {
         Write(s.File(L"precious.txt"), "precious");
         ASSERT_TRUE(::CreateHardLinkW(s.File(kRecordFile).c_str(), s.File(L"precious.txt").c_str(), nullptr));
     },
     FileWriter::Result::Written, "Kiosk1", "precious", 0},
    // A file already under the name the new one would take is never opened.
    {"PlantedNewFile",
     [](const ScratchDirectory& s) {
         Write(s.File(L"precious.txt"), "precious");
         const std::wstring taken =
             std::wstring(kRecordFile) + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-0.new";
         ASSERT_TRUE(::CreateHardLinkW(s.File(taken).c_str(), s.File(L"precious.txt").c_str(), nullptr));
     },
     FileWriter::Result::Written, "Kiosk1", "precious", 1},
    // What cannot be replaced stays as it was.
    {"ReadOnlyEarlierRecord",
     [](const ScratchDirectory& s) {
         Write(s.File(kRecordFile), "Earlier");
         ASSERT_TRUE(::SetFileAttributesW(s.File(kRecordFile).c_str(), FILE_ATTRIBUTE_READONLY));
     },
     FileWriter::Result::WriteFailed, "Earlier", nullptr, 0},
    {"DirectoryInTheWay",
     [](const ScratchDirectory& s) { ASSERT_TRUE(::CreateDirectoryW(s.File(kRecordFile).c_str(), nullptr)); },
     FileWriter::Result::WriteFailed, std::nullopt, nullptr, 0},
};

class RecordFileTest : public testing::TestWithParam<RecordCase> {};

std::ptrdiff_t FilesIn(const ScratchDirectory& folder) {
    return std::distance(std::filesystem::directory_iterator(std::filesystem::path(folder.path())), {});
}

TEST_P(RecordFileTest, IsReplacedWholeOrLeftAsItWas) {
    const ScratchDirectory scratch;
    GetParam().prepare(scratch);
    const std::ptrdiff_t filesBefore = FilesIn(scratch);

    Win32FileWriter files;
    EXPECT_EQ(files.WriteFile(kRecordFileName, "Kiosk1"), GetParam().result);
    EXPECT_EQ(FileBytes(scratch.File(kRecordFile)), GetParam().record);
    if (GetParam().precious != nullptr) {
        EXPECT_EQ(FileBytes(scratch.File(L"precious.txt")), GetParam().precious);
    }
    // The new file it wrote is the record now, or gone: nothing of it is left behind.
    EXPECT_EQ(FilesIn(scratch), filesBefore + GetParam().added);
    ::SetFileAttributesW(scratch.File(kRecordFile).c_str(), FILE_ATTRIBUTE_NORMAL);
}

INSTANTIATE_TEST_SUITE_P(Folders, RecordFileTest, testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
