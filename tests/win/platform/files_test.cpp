#include <gtest/gtest.h>
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/elevation.h"
#include "tests/support/test_constants.h"
#include "tests/win/platform/platform_support.h"
#include "win/platform/handles.h"
#include "win/platform/plain_files.h"
#include "win/platform/system_paths.h"
#include "win/platform/win32_files.h"

namespace {

// What is in the folder before the record is written, and what must be after.
struct RecordCase {
    const char* name;
    UniqueFileHandle (*prepare)(const ScratchDirectory&);  // what it returns stays open while the record is written
    Files::Result result;
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

// The earlier record, held open by a reader that lets others do `share`.
UniqueFileHandle HeldOpen(const ScratchDirectory& s, DWORD share) {
    Write(s.File(kRecordFile), "Earlier");
    return UniqueFileHandle(
        ::CreateFileW(s.File(kRecordFile).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

const RecordCase kCases[] = {
    {"NoEarlierRecord", [](const ScratchDirectory&) { return UniqueFileHandle(); }, Files::Result::Written, "Kiosk1",
     nullptr, 1},
    {"LongerEarlierRecord",
     [](const ScratchDirectory& s) {
         Write(s.File(kRecordFile), "Kiosk1(copy of 12)");
         return UniqueFileHandle();
     },
     Files::Result::Written, "Kiosk1", nullptr, 0},
    // A link planted by someone who can write the folder is replaced, its target untouched.
    {"PlantedHardLink",
     [](const ScratchDirectory& s) {
         Write(s.File(L"precious.txt"), "precious");
         EXPECT_TRUE(::CreateHardLinkW(s.File(kRecordFile).c_str(), s.File(L"precious.txt").c_str(), nullptr));
         return UniqueFileHandle();
     },
     Files::Result::Written, "Kiosk1", "precious", 0},
    // A file under the name an earlier version gave the new file (the process id and a
    // count) is never opened: the new file's name is random now, and one taken is skipped.
    {"PlantedNewFile",
     [](const ScratchDirectory& s) {
         Write(s.File(L"precious.txt"), "precious");
         const std::wstring taken =
             std::wstring(kRecordFile) + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-0.new";
         EXPECT_TRUE(::CreateHardLinkW(s.File(taken).c_str(), s.File(L"precious.txt").c_str(), nullptr));
         return UniqueFileHandle();
     },
     Files::Result::Written, "Kiosk1", "precious", 1},
    // What cannot be replaced stays as it was.
    {"ReadOnlyEarlierRecord",
     [](const ScratchDirectory& s) {
         Write(s.File(kRecordFile), "Earlier");
         EXPECT_TRUE(::SetFileAttributesW(s.File(kRecordFile).c_str(), FILE_ATTRIBUTE_READONLY));
         return UniqueFileHandle();
     },
     Files::Result::WriteFailed, "Earlier", nullptr, 0},
    {"DirectoryInTheWay",
     [](const ScratchDirectory& s) {
         EXPECT_TRUE(::CreateDirectoryW(s.File(kRecordFile).c_str(), nullptr));
         return UniqueFileHandle();
     },
     Files::Result::WriteFailed, std::nullopt, nullptr, 0},
    // A reader that shares reading and writing, as the C runtime's fopen does, holds the
    // record open: it cannot be replaced, and is written in place.
    {"HeldOpenByAReader", [](const ScratchDirectory& s) { return HeldOpen(s, FILE_SHARE_READ | FILE_SHARE_WRITE); },
     Files::Result::Written, "Kiosk1", nullptr, 0},
    // One that shares reading only keeps it as it was.
    {"HeldOpenForReadingOnly", [](const ScratchDirectory& s) { return HeldOpen(s, FILE_SHARE_READ); },
     Files::Result::WriteFailed, "Earlier", nullptr, 0},
};

class RecordFileTest : public testing::TestWithParam<RecordCase> {};

std::ptrdiff_t FilesIn(const ScratchDirectory& folder) {
    return std::distance(std::filesystem::directory_iterator(std::filesystem::path(folder.path())), {});
}

TEST_P(RecordFileTest, IsReplacedWholeOrLeftAsItWas) {
    const ScratchDirectory scratch;
    UniqueFileHandle held = GetParam().prepare(scratch);
    const std::ptrdiff_t filesBefore = FilesIn(scratch);

    const CurrentRecordFolder record;
    Win32Files files(record.folder.get(), true);
    const Files::Outcome outcome = files.WriteFile(record.recordPath, "Kiosk1");
    held.reset();
    EXPECT_EQ(outcome.result, GetParam().result);
    EXPECT_EQ(outcome.error != 0, GetParam().result != Files::Result::Written) << outcome.error;
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

// The record read back and deleted as a removal does: a plain file only, a link as a link.
TEST(RecordFile, IsReadWithinItsLimitAndDeletedItself) {
    const ScratchDirectory scratch;
    const CurrentRecordFolder record;
    const std::wstring& path = record.recordPath;
    Win32Files files(record.folder.get(), false);
    SystemError error = 0;
    EXPECT_EQ(files.ReadFile(path, 1024, error), std::nullopt);
    EXPECT_EQ(error, static_cast<SystemError>(ERROR_FILE_NOT_FOUND));
    // Without a held folder (a removal whose folder is not there) there is nothing to read.
    EXPECT_EQ(Win32Files(nullptr, false).ReadFile(path, 1024, error), std::nullopt);
    EXPECT_EQ(error, static_cast<SystemError>(ERROR_PATH_NOT_FOUND));
    // Nor is anything outside the held folder reached.
    EXPECT_EQ(files.ReadFile(scratch.path() + L"\\sub\\" + kRecordFile, 1024, error), std::nullopt);
    EXPECT_EQ(error, static_cast<SystemError>(ERROR_INVALID_NAME));

    Write(scratch.File(kRecordFile), "Kiosk1(copy of 2)");
    EXPECT_EQ(files.ReadFile(path, 6, error), "Kiosk1");
    EXPECT_EQ(files.ReadFile(path, 1024, error), "Kiosk1(copy of 2)");

    Write(scratch.File(L"precious.txt"), "precious");
    ASSERT_TRUE(::DeleteFileW(scratch.File(kRecordFile).c_str()));
    ASSERT_TRUE(::CreateHardLinkW(scratch.File(kRecordFile).c_str(), scratch.File(L"precious.txt").c_str(), nullptr));
    EXPECT_EQ(files.ReadFile(path, 1024, error), std::nullopt) << "a link is not read";
    EXPECT_EQ(files.RemoveFile(path), 0u);
    EXPECT_FALSE(FileExists(scratch.File(kRecordFile)));
    EXPECT_EQ(FileBytes(scratch.File(L"precious.txt")), "precious");
}

// What a run holds while it works: the folder and every folder above it stay where they
// are, whatever another program tries, until the run lets go.
TEST(HeldFolder, CannotBeRenamedWhileHeld) {
    const ScratchDirectory scratch;
    ASSERT_TRUE(::CreateDirectoryW(scratch.File(L"logs").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(scratch.File(L"logs\\kiosk").c_str(), nullptr));
    DWORD error = 0;
    std::wstring why;
    std::unique_ptr<HeldFolder> held = HeldFolder::Open(scratch.File(L"logs\\kiosk"), error, why);
    ASSERT_TRUE(held) << error;
    EXPECT_EQ(held->Path(), scratch.File(L"logs\\kiosk"));
    const struct {
        const wchar_t* from;
        const wchar_t* to;
    } kMoves[] = {{L"logs\\kiosk", L"logs\\other"}, {L"logs", L"elsewhere"}};
    for (const auto& move : kMoves) {
        EXPECT_FALSE(::MoveFileW(scratch.File(move.from).c_str(), scratch.File(move.to).c_str())) << move.from;
    }
    // A file created in it by name lands in the held folder itself.
    const UniqueFileHandle made = held->OpenFile(L"run.log", GENERIC_WRITE, 0, FILE_CREATE, error);
    ASSERT_TRUE(made) << error;
    EXPECT_TRUE(FileExists(scratch.File(L"logs\\kiosk\\run.log")));
    EXPECT_FALSE(held->OpenFile(L"..\\run.log", GENERIC_WRITE, 0, FILE_CREATE, error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_NAME));

    held.reset();
    EXPECT_TRUE(::MoveFileW(scratch.File(L"logs").c_str(), scratch.File(L"elsewhere").c_str()));
    // A folder that is not there is said so, by name.
    EXPECT_FALSE(HeldFolder::Open(scratch.File(L"logs\\kiosk"), error, why));
    EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;
    EXPECT_EQ(why, L"the folder " + scratch.File(L"logs") + L" does not exist");
}

// A record whose owner is an account the run does not trust names nothing: it is not
// read, and not written in place when it cannot be replaced.
TEST(RecordFile, OfAnotherOwnerIsNeitherReadNorWrittenInPlace) {
    const ScratchDirectory scratch;
    Write(scratch.File(kRecordFile), "Earlier");
    PSID users = nullptr;
    ASSERT_TRUE(::ConvertStringSidToSidW(L"S-1-5-32-545", &users));
    const DWORD set = ::SetNamedSecurityInfoW(const_cast<wchar_t*>(scratch.File(kRecordFile).c_str()), SE_FILE_OBJECT,
                                              OWNER_SECURITY_INFORMATION, users, nullptr, nullptr, nullptr);
    ::LocalFree(users);
    ASSERT_EQ(set, 0u) << "the owner could not be set";
    // Held open as a reader holds it (no delete sharing), it cannot be replaced either.
    const UniqueFileHandle planted(::CreateFileW(scratch.File(kRecordFile).c_str(), GENERIC_READ | READ_CONTROL,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                                 nullptr));
    DWORD ownerError = 0;
    // Wine accepts the new owner, yet reports the Unix file's own user again.
    if (FileOwner(planted.get(), ownerError) != L"S-1-5-32-545") GTEST_SKIP() << "the owner did not stay as set";
    const CurrentRecordFolder record;
    Win32Files files(record.folder.get(), true);
    SystemError error = 0;
    EXPECT_EQ(files.ReadFile(record.recordPath, 1024, error), std::nullopt);
    EXPECT_EQ(error, static_cast<SystemError>(ERROR_INVALID_OWNER));
    const Files::Outcome outcome = files.WriteFile(record.recordPath, "Kiosk1");
    EXPECT_EQ(outcome.result, Files::Result::WriteFailed);
    EXPECT_EQ(outcome.error, static_cast<SystemError>(ERROR_INVALID_OWNER));
    EXPECT_EQ(FileBytes(scratch.File(kRecordFile)), "Earlier");
}

// The owner the hand-over to the 64-bit program judges by: a file this process made is
// owned as its own program file is (under Wine, by the one user), and passes.
TEST(FileOwner, IsReadFromTheOpenFileAsASidString) {
    const ScratchDirectory scratch;
    Write(scratch.File(L"kestrin.exe"), "MZ");
    DWORD error = 0;
    const UniqueFileHandle made =
        OpenPlainFile(scratch.File(L"kestrin.exe"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, error);
    ASSERT_TRUE(made) << error;
    const std::wstring owner = FileOwner(made.get(), error);
    EXPECT_EQ(error, 0u);
    EXPECT_TRUE(owner.starts_with(L"S-1-5-")) << owner;

    const UniqueFileHandle self(
        ::CreateFileW(ThisProgramPath().c_str(), READ_CONTROL, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(self);
    EXPECT_TRUE(TrustedOwner(owner, FileOwner(self.get(), error)));

    // Held so, it can be neither written nor deleted until the handle is closed.
    EXPECT_EQ(::CreateFileW(scratch.File(L"kestrin.exe").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_FALSE(::DeleteFileW(scratch.File(L"kestrin.exe").c_str()));
}

}  // namespace
