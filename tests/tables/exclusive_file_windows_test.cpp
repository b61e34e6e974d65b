// Windows sharing: a file the program reads is open to other readers and closed to every writer,
// not only to those that cooperate; the program's folder and temporary folder use Windows
// separators.
// Built for Windows only (run under Wine on Linux).

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#undef DeleteFile

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/exclusive_file.h"
#include "platform/program_folder.h"
#include "support/temp_dir.h"
#include "tools/dbf_writer.h"

namespace platform {
namespace {

class WindowsSharingTest : public ::testing::Test {
 protected:
  testing_support::TempDir dir_;
  std::string path_ = dir_.file("riscos.dbf");
};

// What another program might try on a file the run reads: every reader shares it, every writer
// fails while it is held and succeeds once it is released.
TEST_F(WindowsSharingTest, ReadersShareAndEveryWriterIsRefusedUntilTheFileIsReleased) {
  tools::WriteFile(path_, "0123456789");
  const struct {
    const char* what;
    bool reads;
    bool (*attempt)(const std::string& path);
  } others[] = {{"a plain stream", true,
                 [](const std::string& p) { return std::ifstream(p, std::ios::binary).is_open(); }},
                {"a C stream", true,
                 [](const std::string& p) {
                   std::FILE* f = std::fopen(p.c_str(), "rb");
                   if (f != nullptr) std::fclose(f);
                   return f != nullptr;
                 }},
                {"a read-only open of this program", true,
                 [](const std::string& p) { return ExclusiveFile::OpenRead(p).has_value(); }},
                {"a writing C stream", false,
                 [](const std::string& p) {
                   std::FILE* f = std::fopen(p.c_str(), "r+b");
                   if (f != nullptr) std::fclose(f);
                   return f != nullptr;
                 }},
                {"a writing open that shares everything", false, [](const std::string& p) {
                   HANDLE h = CreateFileA(p.c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
                   if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
                   return h != INVALID_HANDLE_VALUE;
                 }}};
  for (const auto& other : others) {
    SCOPED_TRACE(other.what);
    auto held = ExclusiveFile::OpenRead(path_);
    ASSERT_TRUE(held);
    EXPECT_EQ(other.attempt(path_), other.reads);
    held->Close();
    EXPECT_TRUE(other.attempt(path_));
  }
}

TEST_F(WindowsSharingTest, HeldFileCannotBeDeletedOrReplaced) {
  tools::WriteFile(path_, "0123456789");
  auto held = ExclusiveFile::OpenRead(path_);
  ASSERT_TRUE(held);
  EXPECT_FALSE(DeleteFile(path_));
  EXPECT_FALSE(ExclusiveFile::CreateReadWrite(path_));
  char buf[10] = {};
  EXPECT_EQ(held->ReadAt(0, buf, sizeof buf), 10u) << "the holder still reads it whole";
  held->Close();
  EXPECT_TRUE(DeleteFile(path_));
}

TEST_F(WindowsSharingTest, CreateReadWriteTruncatesAFileNobodyHolds) {
  tools::WriteFile(path_, std::string(5000, 'x'));
  auto f = ExclusiveFile::CreateReadWrite(path_);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Size(), 0u);
  EXPECT_TRUE(f->WriteAt(4096, "ab", 2));  // past the end: the gap is filled
  EXPECT_EQ(f->Size(), 4098u);
}

TEST(WindowsFoldersTest, FoldersEndWithASeparatorAndExist) {
  const std::string program = ExecutableFolder();
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(program.back(), '\\');
  EXPECT_NE(GetFileAttributesA((program + "tables_test.exe").c_str()), INVALID_FILE_ATTRIBUTES);
  const std::string temp = TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  const DWORD attributes = GetFileAttributesA(temp.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

}  // namespace
}  // namespace platform
