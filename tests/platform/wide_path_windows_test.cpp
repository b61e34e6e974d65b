// Windows: names beyond the ANSI code page (Greek, Japanese, an emoji) pass through the platform
// layer as typed. The ANSI API would turn "α" into "a", another file's name, and "報告" into
// "??", no name at all.
#include <windows.h>
// windows.h maps DeleteFile to DeleteFileA; the platform's own DeleteFile must keep its name.
#undef DeleteFile
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/atomic_output.h"
#include "platform/exclusive_file.h"
#include "platform/file_identity.h"
#include "platform/interrupt_cleanup.h"
#include "platform/system_path.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

using testing_support::ReadBytes;

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

using testing_support::EntriesIn;

const fs::path kGreek = L"\u03B1.json";          // α.json
const fs::path kJapanese = L"\u5831\u544A.txt";  // 報告.txt
const fs::path kEmoji = L"\U0001F600.json";      // 😀.json
const fs::path kRisco = L"\u30EA\u30B9\u30AF";   // リスク

TEST(WidePathTest, OutputsAreWrittenUnderTheNameGivenAndNoOther) {
  testing_support::TempDir dir;
  for (const fs::path& name : {kGreek, kJapanese, kEmoji}) {
    const fs::path target = dir.path() / name;
    std::string reason;
    std::optional<AtomicOutput> out = AtomicOutput::Create(SystemPath(target), &reason);
    ASSERT_TRUE(out) << reason;
    ASSERT_TRUE(out->Write(SystemPath(name)));
    ASSERT_TRUE(out->Commit()) << out->ErrorText();
    EXPECT_EQ(ReadBytes(target), SystemPath(name));
  }
  EXPECT_FALSE(fs::exists(dir.path() / "a.json"));
  EXPECT_EQ(EntriesIn(dir.path()), 3u);
}

TEST(WidePathTest, AnInputInAFolderOfAnyScriptIsReadAndAnIndexMadeAndRemovedBeside) {
  testing_support::TempDir dir;
  const fs::path folder = dir.path() / kRisco;
  ASSERT_TRUE(fs::create_directory(folder));
  Write(folder / "riscos.dbf", "risks");

  ExclusiveFile::OpenFailure failure;
  std::optional<ExclusiveFile> input =
      ExclusiveFile::OpenRead(SystemPath(folder / "riscos.dbf"), &failure);
  ASSERT_TRUE(input) << failure.reason;
  EXPECT_EQ(input->Size(), 5u);
  EXPECT_EQ(IdentityOf(SystemPath(folder / "riscos.dbf")), input->Identity());

  const fs::path index = folder / L"\u03B1police.ntx";
  std::string reason;
  std::optional<ExclusiveFile> created = ExclusiveFile::CreateNew(SystemPath(index), &reason);
  ASSERT_TRUE(created) << reason;
  created->Close();
  EXPECT_TRUE(fs::exists(index));
  EXPECT_TRUE(DeleteFile(SystemPath(index)));
  EXPECT_FALSE(fs::exists(index));
  EXPECT_EQ(EntriesIn(folder), 1u);

  EXPECT_EQ(TempFolder().find('?'), std::string::npos);
}

TEST(WidePathTest, TheInterruptCleanupRemovesTheFileNamedNotItsLookAlike) {
  testing_support::TempDir dir;
  Write(dir.path() / kGreek, "output");
  Write(dir.path() / "a.json", "another");
  alignas(wchar_t) char prepared[RemoveOnInterrupt::kMaxPath] = {};
  ASSERT_TRUE(PrepareRemoval(SystemPath(dir.path() / kGreek), prepared, sizeof prepared));
  RemoveFileNow(prepared);
  EXPECT_FALSE(fs::exists(dir.path() / kGreek));
  EXPECT_EQ(ReadBytes(dir.path() / "a.json"), "another");
}

TEST(WidePathTest, NamesThatDifferOnlyInCaseAreOneTarget) {
  testing_support::TempDir dir;
  const fs::path out = dir.path() / "out";
  ASSERT_TRUE(fs::create_directory(out));
  EXPECT_TRUE(SameTarget(SystemPath(out / "R.JSON"), SystemPath(out / "r.json")));
  EXPECT_TRUE(SameTarget(SystemPath(dir.path() / "OUT" / "r.json"), SystemPath(out / "R.json")));
  EXPECT_TRUE(SameName("R.JSON", "r.json"));
  EXPECT_TRUE(SameName(SystemPath(L"\u0391.json"), SystemPath(kGreek)));  // Α and α
  EXPECT_FALSE(SameName("a.json", SystemPath(kGreek)));
  EXPECT_FALSE(SameTarget(SystemPath(out / "a.json"), SystemPath(out / kGreek)));
  EXPECT_FALSE(SameTarget(SystemPath(out / "r.json"), SystemPath(out / "r.html")));
}

// The workbook library opens its file by a narrow name, through the ANSI code page.
TEST(WidePathTest, ALibraryOpeningNarrowNamesGetsTheSameFileOrNone) {
  testing_support::TempDir dir;
  const fs::path folder = dir.path() / kRisco;
  ASSERT_TRUE(fs::create_directory(folder));
  Write(folder / "falhas.xlsx", "book");
  const std::optional<std::string> narrow = NarrowApiPath(SystemPath(folder / "falhas.xlsx"));
  ASSERT_TRUE(narrow);
  std::FILE* f = std::fopen(narrow->c_str(), "rb");
  ASSERT_NE(f, nullptr) << *narrow;
  char bytes[8] = {};
  EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, f), 4u);
  std::fclose(f);
  EXPECT_EQ(std::string(bytes), "book");
  if (GetACP() != CP_UTF8) {
    // Not there yet, so no short name: refused rather than "a.json".
    EXPECT_FALSE(NarrowApiPath(SystemPath(dir.path() / kGreek)));
  }
}

}  // namespace
}  // namespace platform
