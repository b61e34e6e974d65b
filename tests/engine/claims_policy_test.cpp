#include "engine/claims_policy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/open_reader.h"
#include "engine/report.h"
#include "engine/text.h"
#include "engine/walk_taps.h"
#include "platform/exclusive_file.h"
#include "platform/interrupt_cleanup.h"
#include "support/file_bytes.h"
#include "support/phase_test.h"
#include "support/scoped_temp_folder.h"
#include "support/temp_dir.h"
#include "tables/table_error.h"
#include "tools/dbf_writer.h"

namespace engine {
namespace {

using testing_support::ScopedTempFolder;
using testing_support::TempDir;
using Lines = std::vector<std::string>;

const std::vector<tools::DbfFieldSpec> kRiskFields = {
    {"COD_SEG", 'C', 5}, {"APOLICE", 'C', 20}, {"ITEM", 'C', 6}};
const std::vector<tools::DbfFieldSpec> kClaimFields = {
    {"COD_SEG", 'C', 5}, {"APOLICE", 'C', 20}, {"ITEM", 'C', 6}, {"NUM_SIN", 'C', 10}};

struct Row {
  std::string apolice;
  std::string item;
  bool deleted = false;
};

Lines Block(const std::string& misses, const std::string& total, const std::string& share) {
  return {std::string(kRuleLine), "",
          misses + Ansi(" sinistros sem apólice no período, num total de ") + total +
              " sinistros (" + share + "%).",
          ""};
}

// The index's create error with the system's reason behind it.
void ExpectCreateErrorWithReason(const tables::TableError& e) {
  EXPECT_THAT(e.what(), testing::MatchesRegex(
                            "TMarlNTXIndex\\.CreateIndex: Create error \"apolice\" \\(.+\\)"));
}

class ClaimsPolicyTest : public testing_support::PhaseTest {
 protected:
  void WriteRisks(const std::vector<Row>& rows) {
    tools::DbfBuilder b(kRiskFields);
    for (const Row& r : rows) b.Add({"00001", r.apolice, r.item}, r.deleted);
    b.Write(risk_path_);
  }
  void WriteClaims(const std::vector<Row>& rows) {
    tools::DbfBuilder b(kClaimFields);
    for (const Row& r : rows) b.Add({"00001", r.apolice, r.item, "S1"}, r.deleted);
    b.Write(claims_path_);
  }

  // The check as the driver calls it, with the record counts the table loop stored.
  // With `walked`, the check whose taps rode on the walks.
  Lines Check(std::int32_t regSinistros, const Regional& regional = Regional::PtBr(),
              ClaimsPolicyCheck* walked = nullptr) {
    state_.regRiscos = 1;
    state_.regSinistros = regSinistros;
    regional_ = regional;
    ctx_.risk_path = risk_path_;
    ctx_.claims_path = claims_path_;
    const RunOfItsOwn run(ctx_);
    if (walked != nullptr) {
      walked->Check();
    } else {
      CheckClaimsWithoutPolicy(ctx_);
    }
    return host_.lines;
  }

  // The policy keys and then the claims' keys gathered as the walks gather them, and the index
  // build that the end of the risks walk starts.
  void WalkBothBuildingEarly(ClaimsPolicyCheck& check) {
    ctx_.risk_path = risk_path_;
    ctx_.claims_path = claims_path_;
    for (const bool risks : {true, false}) {
      const OpenReader open(tables_.tbDados, risks ? risk_path_ : claims_path_);
      RecordTap* tap =
          risks ? check.StartPolicyKeys(tables_.tbDados) : check.StartClaimKeys(tables_.tbDados);
      ASSERT_NE(tap, nullptr);
      for (tables_.tbDados.First(); !tables_.tbDados.Eof(); tables_.tbDados.Next()) {
        tap->Take(tables_.tbDados.RecNo(), tables_.tbDados.Record());
      }
      tap->Finish();
      if (risks) check.StartIndexBuild();
    }
  }

  void ExpectNothingLeft() {
    EXPECT_FALSE(std::filesystem::exists(dir_.file("apolice.ntx")));
    EXPECT_FALSE(tables_.tbRiscos.IsOpen());
    EXPECT_FALSE(tables_.tbSinistros.IsOpen());
    EXPECT_TRUE(std::filesystem::is_empty(temp_.path())) << "a temporary index outlived the check";
  }

  TempDir data_;
  TempDir temp_;
  ScopedTempFolder temp_folder_{temp_.folder()};
  std::string risk_path_ = data_.file("riscos.dbf");
  std::string claims_path_ = data_.file("sinistros.dbf");
};

TEST_F(ClaimsPolicyTest, EveryClaimFound) {
  WriteRisks({{"P1", "1"}, {"P1", "2"}, {"P2", "1"}});
  WriteClaims({{"P2", "1"}, {"P1", "1"}, {"P1", "2"}});
  EXPECT_EQ(Check(3), Block("0", "3", "0,00"));
  ExpectNothingLeft();
}

TEST_F(ClaimsPolicyTest, EachKindOfMissIsCounted) {
  WriteRisks({{"P1", "1"}, {"P 2", "1"}, {"P3", "1", true}, {"p4", "1"}});
  const struct {
    const char* what;
    Row claim;
    bool found;
  } cases[] = {
      {"same policy and item", {"P1", "1"}, true},
      {"item differs", {"P1", "2"}, false},
      {"leading blank inside the 20 positions", {" P1", "1"}, false},
      {"blank inside the policy", {"P2", "1"}, false},
      {"item shifted by a blank", {"P1", " 1"}, false},
      {"risk marked deleted", {"P3", "1"}, false},
      {"letter case", {"P4", "1"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    host_.lines.clear();
    WriteClaims({c.claim});
    EXPECT_EQ(Check(1), c.found ? Block("0", "1", "0,00") : Block("1", "1", "100,00"));
    ExpectNothingLeft();
  }
}

TEST_F(ClaimsPolicyTest, DeletedClaimsAreSkippedAndDuplicatesCountEach) {
  WriteRisks({{"P1", "1"}, {"P1", "1"}, {"P2", "5", true}, {"P2", "5"}});
  WriteClaims({{"P9", "1", true},
               {"P1", "1"},
               {"P9", "1", true},
               {"P1", "1"},
               {"P8", "1"},
               {"P2", "5"},
               {"P8", "1"}});
  EXPECT_EQ(Check(5), Block("2", "5", "40,00"));
}

TEST_F(ClaimsPolicyTest, PercentageInNumberStyleCountsInPlainDigits) {
  const struct {
    int misses;
    int total;
    Regional regional;
    const char* share;
  } cases[] = {
      {37, 1250, Regional::PtBr(), "2,96"},
      {1234, 5000, Regional::PtBr(), "24,68"},
      {1, 800, Regional::PtBr(), "0,13"},
      {1234, 5000, Regional::EnUs(), "24.68"},
  };
  std::vector<Row> risks;
  for (int i = 0; i < 5000; ++i) risks.push_back({"P" + std::to_string(i), "1"});
  WriteRisks(risks);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.share);
    std::vector<Row> claims;
    for (int i = 0; i < c.total; ++i) {
      claims.push_back({"P" + std::to_string(i), i < c.misses ? "2" : "1"});
    }
    WriteClaims(claims);
    host_.lines.clear();
    EXPECT_EQ(Check(c.total, c.regional),
              Block(std::to_string(c.misses), std::to_string(c.total), c.share));
  }
}

TEST_F(ClaimsPolicyTest, LeftoverIndexIsReplacedAndRemoved) {
  tools::WriteFile(dir_.file("apolice.ntx"), std::string(100000, 'x'));
  WriteRisks({{"P1", "1"}});
  WriteClaims({{"P1", "1"}, {"P2", "1"}});
  EXPECT_EQ(Check(2), Block("1", "2", "50,00"));
  ExpectNothingLeft();
}

TEST_F(ClaimsPolicyTest, IndexNameThatIsALinkLeavesItsTargetUntouched) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need a privilege on Windows";
#else
  const std::string target = data_.file("precious.txt");
  tools::WriteFile(target, "keep me");
  ASSERT_EQ(symlink(target.c_str(), dir_.file("apolice.ntx").c_str()), 0);
  WriteRisks({{"P1", "1"}});
  WriteClaims({{"P1", "1"}});
  EXPECT_EQ(Check(1), Block("0", "1", "0,00"));
  EXPECT_EQ(testing_support::ReadBytes(target), "keep me");
  EXPECT_FALSE(std::filesystem::is_symlink(dir_.file("apolice.ntx")));
  ExpectNothingLeft();
#endif
}

TEST_F(ClaimsPolicyTest, ProgramFolderThatCannotHoldFilesMovesToTheTemporaryFolder) {
  // A plain file where the folder should be: no file can be created under it, even by root.
  WriteRisks({{"P1", "1"}});
  WriteClaims({{"P1", "2"}});
  const std::string not_a_folder = dir_.file("plain");
  tools::WriteFile(not_a_folder, "x");
  state_.regRiscos = 1;
  state_.regSinistros = 1;
  ctx_.catalogue_folder = not_a_folder + "/";
  ctx_.risk_path = risk_path_;
  ctx_.claims_path = claims_path_;
  CheckClaimsWithoutPolicy(ctx_);
  EXPECT_EQ(host_.lines, Block("1", "1", "100,00"));
  ExpectNothingLeft();
}

#ifndef _WIN32
// A run ended by SIGTERM while it builds the index: the handler removes the index and the
// process ends with 143. The child repeats the check until the signal comes, so the signal
// falls inside a build or between the steps around it.
TEST_F(ClaimsPolicyTest, TerminationDuringTheBuildLeavesNoIndex) {
  std::vector<Row> risks;
  for (int i = 0; i < 60000; ++i) risks.push_back({"P" + std::to_string(i * 7919 % 60000), "1"});
  WriteRisks(risks);
  WriteClaims({{"P1", "1"}});
  const std::string index = dir_.file("apolice.ntx");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    platform::InstallInterruptCleanup();
    for (;;) {
      host_.lines.clear();
      Check(1);
    }
  }
  for (int i = 0; i < 2000 && !std::filesystem::exists(index); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(std::filesystem::exists(index)) << "the child never built the index";
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_EQ(kill(child, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), platform::kInterruptedBySigterm);
  ExpectNothingLeft();
}
#endif

TEST_F(ClaimsPolicyTest, ErrorAfterTheBuildStillRemovesTheIndex) {
  WriteRisks({{"P1", "1"}});
  tools::DbfBuilder claims({{"COD_SEG", 'C', 5}, {"APOLICE", 'C', 20}});
  claims.Add({"00001", "P1"});
  claims.Write(claims_path_);
  try {
    Check(1);
    FAIL() << "a claims file without ITEM went through";
  } catch (const tables::TableError& e) {
    EXPECT_STREQ(e.what(), "tbSinistros: Field 'ITEM' not found");
  }
  EXPECT_TRUE(host_.lines.empty());
  ExpectNothingLeft();
}

TEST_F(ClaimsPolicyTest, MissingRisksFileEndsTheCheckBeforeAnyIndex) {
  WriteClaims({{"P1", "1"}});
  EXPECT_THROW(Check(1), tables::TableError);
  ExpectNothingLeft();
}

TEST_F(ClaimsPolicyTest, IndexHeldByAnotherRunMovesToTheTemporaryFolder) {
  const std::string held_path = dir_.file("apolice.ntx");
  auto held = platform::ExclusiveFile::CreateReadWrite(held_path);
  ASSERT_TRUE(held);
  ASSERT_TRUE(held->WriteAt(0, "other run", 9));
  WriteRisks({{"P1", "1"}, {"P1", "2"}});
  WriteClaims({{"P1", "2"}, {"P1", "3"}});
  EXPECT_EQ(Check(2), Block("1", "2", "50,00"));
  EXPECT_EQ(held->Size(), 9u) << "the other run's file was touched";
  EXPECT_TRUE(std::filesystem::is_empty(temp_.path()));
  held.reset();
  std::filesystem::remove(held_path);
  ExpectNothingLeft();
}

TEST_F(ClaimsPolicyTest, ReadOnlyProgramFolderMovesToTheTemporaryFolder) {
#ifdef _WIN32
  GTEST_SKIP() << "chmod does not make a Windows folder read-only";
#else
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  WriteRisks({{"P1", "1"}});
  WriteClaims({{"P1", "1"}});
  ASSERT_EQ(chmod(dir_.path().c_str(), 0555), 0);
  const Lines lines = Check(1);
  chmod(dir_.path().c_str(), 0755);
  EXPECT_EQ(lines, Block("0", "1", "0,00"));
  ExpectNothingLeft();
#endif
}

// The claims' keys are sorted in a scratch file of the temporary folder; where that folder takes
// no files, the program's folder (which holds the index) serves, and nothing is left there.
TEST_F(ClaimsPolicyTest, UnusableTemporaryFolderStillChecksInTheProgramFolder) {
  WriteRisks({{"P1", "1"}, {"P2", "1"}});
  WriteClaims({{"P1", "1"}, {"P3", "1"}});
  ScopedTempFolder nowhere(temp_.file("missing"));
  EXPECT_EQ(Check(2), Block("1", "2", "50,00"));
  ExpectNothingLeft();
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

TEST_F(ClaimsPolicyTest, NoWritableFolderGivesTheCreateError) {
  WriteRisks({{"P1", "1"}});
  WriteClaims({{"P1", "1"}});
  ScopedTempFolder nowhere(temp_.file("missing"));
  const std::string folder = dir_.file("missing") + "/";
  state_.regSinistros = 1;
  ctx_.catalogue_folder = folder;
  ctx_.risk_path = risk_path_;
  ctx_.claims_path = claims_path_;
  try {
    CheckClaimsWithoutPolicy(ctx_);
    FAIL() << "an index was created somewhere";
  } catch (const tables::TableError& e) {
    ExpectCreateErrorWithReason(e);
  }
  EXPECT_TRUE(host_.lines.empty());
  ExpectNothingLeft();
}

// The index built early, on a thread of its own, from the policy keys of the risks walk: the
// claims walked afterwards are answered from its file as the check's own build answers them;
// what the build met (no folder takes the index) is raised by the check, before any line; and
// without a check the index goes with the check's object.
TEST_F(ClaimsPolicyTest, IndexBuiltEarlyAnswersFailsAndGoesAsTheChecksOwn) {
  WriteRisks({{"P1", "1"}, {"P2", "1"}, {"P4", "1", true}});
  WriteClaims({{"P1", "1"}, {"P3", "1"}, {"P4", "1"}, {"P2", "1"}});
  enum class Then { kCheck, kNoFolder, kNoCheck };
  for (const Then then : {Then::kCheck, Then::kNoFolder, Then::kNoCheck}) {
    SCOPED_TRACE(static_cast<int>(then));
    host_.lines.clear();
    const std::string held_path = dir_.file("apolice.ntx");
    std::optional<platform::ExclusiveFile> held;
    std::optional<ScopedTempFolder> nowhere;
    if (then == Then::kNoFolder) {
      held = platform::ExclusiveFile::CreateReadWrite(held_path);
      nowhere.emplace(temp_.file("missing"));
    }
    {
      ClaimsPolicyCheck check(ctx_);
      WalkBothBuildingEarly(check);
      if (then == Then::kCheck) {
        EXPECT_EQ(Check(4, Regional::PtBr(), &check), Block("2", "4", "50,00"));
        EXPECT_FALSE(std::filesystem::exists(held_path)) << "the index outlived the check";
      }
      if (then == Then::kNoFolder) {
        try {
          Check(4, Regional::PtBr(), &check);
          ADD_FAILURE() << "an index was created somewhere";
        } catch (const tables::TableError& e) {
          ExpectCreateErrorWithReason(e);
        }
        EXPECT_TRUE(host_.lines.empty());
      }
    }
    held.reset();
    if (then == Then::kNoFolder) std::filesystem::remove(held_path);
    ExpectNothingLeft();
  }
}

}  // namespace
}  // namespace engine
