#include "platform/atomic_output.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <filesystem>
#include <string>

#include "platform/unique_name.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "tools/dbf_writer.h"

namespace platform {
namespace {

using testing_support::ReadBytes;

using testing_support::EntriesIn;

class AtomicOutputTest : public ::testing::Test {
 protected:
  testing_support::TempDir dir_;
  std::string target_ = dir_.file("relatorio.txt");
};

TEST_F(AtomicOutputTest, TargetAppearsOnlyOnCommit) {
  tools::WriteFile(target_, "earlier");
  {
    std::string reason;
    std::optional<AtomicOutput> out = AtomicOutput::Create(target_, &reason);
    ASSERT_TRUE(out) << reason;
    EXPECT_TRUE(out->Write("half a rep"));
    EXPECT_EQ(ReadBytes(target_), "earlier");
  }  // dropped without commit: the temporary file goes, the earlier file stays
  EXPECT_EQ(ReadBytes(target_), "earlier");
  EXPECT_EQ(EntriesIn(dir_.path()), 1u);

  std::optional<AtomicOutput> out = AtomicOutput::Create(target_, nullptr);
  ASSERT_TRUE(out);
  EXPECT_TRUE(out->Write("the whole "));
  EXPECT_TRUE(out->Write("report"));
  EXPECT_TRUE(out->Commit()) << out->ErrorText();
  EXPECT_EQ(ReadBytes(target_), "the whole report");
  EXPECT_EQ(EntriesIn(dir_.path()), 1u);
}

TEST_F(AtomicOutputTest, MissingFolderNamesTheReason) {
  std::string reason;
  EXPECT_FALSE(AtomicOutput::Create(dir_.file("nada/relatorio.txt"), &reason));
  EXPECT_FALSE(reason.empty());
}

#ifndef _WIN32
TEST_F(AtomicOutputTest, FullDeviceLeavesNoPartialFileAndTheEarlierOneIntact) {
  tools::WriteFile(target_, "earlier");
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto old_handler = signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
  rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool wrote = true;
  std::string error;
  {
    std::optional<AtomicOutput> out = AtomicOutput::Create(target_, nullptr);
    if (out) {
      wrote = out->Write(std::string(3000, 'a')) && out->Write(std::string(3000, 'b'));
      EXPECT_FALSE(out->Commit());
      error = out->ErrorText();
    }
  }
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(wrote);
  EXPECT_EQ(error, "File too large");
  EXPECT_EQ(ReadBytes(target_), "earlier");
  EXPECT_EQ(EntriesIn(dir_.path()), 1u) << "a partial temporary file was left";
}

// The longest name a folder takes, in two-byte letters: its temporary name is cut to fit, and
// between two letters.
TEST_F(AtomicOutputTest, TemporaryNameOfTheLongestNameFitsAndCutsNoLetter) {
  std::string name;
  for (int i = 0; i < 127; ++i) name += "\xC3\xA9";  // é
  name += "b";
  std::string reason;
  std::optional<AtomicOutput> out = AtomicOutput::Create(dir_.file(name), &reason);
  ASSERT_TRUE(out) << reason;
  const std::string temp = std::filesystem::path(out->temp_path()).filename().string();
  EXPECT_TRUE(IsUniqueName(temp, "." + name.substr(0, 232), ".tmp")) << temp;
  ASSERT_TRUE(out->Commit()) << out->ErrorText();
  EXPECT_EQ(EntriesIn(dir_.path()), 1u);
}

TEST_F(AtomicOutputTest, LinkStaysALinkAndItsTargetGetsTheBytes) {
  testing_support::TempDir elsewhere;
  const std::string real = elsewhere.file("real.txt");
  tools::WriteFile(real, "earlier");
  std::filesystem::create_symlink(real, target_);
  std::optional<AtomicOutput> out = AtomicOutput::Create(target_, nullptr);
  ASSERT_TRUE(out);
  ASSERT_TRUE(out->Write("new"));
  ASSERT_TRUE(out->Commit());
  EXPECT_TRUE(std::filesystem::is_symlink(target_));
  EXPECT_EQ(ReadBytes(real), "new");
  EXPECT_EQ(EntriesIn(dir_.path()), 1u);
  EXPECT_EQ(EntriesIn(elsewhere.path()), 1u);
}

#ifdef __linux__
// The output's folder renamed while it is written: the commit fails, and the temporary file is
// still found through its handle and removed, whether the output is committed or dropped.
TEST_F(AtomicOutputTest, AFolderRenamedMeanwhileKeepsNoTemporaryFile) {
  const std::string folder = dir_.file("saidas");
  const std::string moved = dir_.file("movida");
  std::filesystem::create_directory(folder);
  for (const bool commit : {false, true}) {
    SCOPED_TRACE(commit);
    std::optional<AtomicOutput> out = AtomicOutput::Create(folder + "/r.txt", nullptr);
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->Write("partial"));
    std::filesystem::rename(folder, moved);
    if (commit) {
      EXPECT_FALSE(out->Commit());
    }
    out.reset();
    EXPECT_EQ(EntriesIn(moved), 0u);
    std::filesystem::rename(moved, folder);
  }
}
#endif

TEST_F(AtomicOutputTest, ModeOfTheReplacedFileElseUmask) {
  const mode_t old_mask = umask(027);
  for (const bool existed : {true, false}) {
    SCOPED_TRACE(existed);
    std::filesystem::remove(target_);
    if (existed) {
      tools::WriteFile(target_, "x");
      chmod(target_.c_str(), 0604);
    }
    std::optional<AtomicOutput> out = AtomicOutput::Create(target_, nullptr);
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->Commit());
    struct stat st {};
    ASSERT_EQ(stat(target_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, existed ? 0604u : 0640u);
  }
  umask(old_mask);
}
#endif

}  // namespace
}  // namespace platform
