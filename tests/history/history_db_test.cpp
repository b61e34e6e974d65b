// The history's database: its schema and permissions, one transaction per run, runs side by
// side, a company's list and its deletion, and the identities' stored form.
#include "history/history_db.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <thread>

#include "history/history_schema.h"
#include "history/identity_sink.h"
#include "history/sqlite_handle.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace history {
namespace {

// A run of company `empresa` whose claims failed EVENTO's domain check on these policies.
RunRecord FailedRun(const std::string& empresa, const std::vector<std::string>& policies,
                    std::optional<std::string> erro = std::nullopt) {
  IdentitySink sink;
  for (const std::string& p : policies) {
    const engine::KnownFindingDetails details({p, "", "1"});
    engine::FieldFinding f;
    f.file = engine::FindingFile::kSinistros;
    f.field = "EVENTO";
    f.check = engine::FindingCheck::kDominio;
    f.details = &details;
    sink.FieldFailed(f);
  }
  RunRecord record;
  record.inicio = "2024-03-15T09:05:07";
  record.empresa = empresa;
  record.resultado = erro ? "erro" : "aceitavel";
  record.erro = std::move(erro);
  record.entradas.push_back({engine::FindingFile::kSinistros, "s.dbf", 10, 1700000000});
  record.falhas = sink.Take();
  return record;
}

class HistoryDbTest : public ::testing::Test {
 protected:
  std::string path() const { return dir_.file("h.db"); }
  testing_support::TempDir dir_;
};

TEST_F(HistoryDbTest, NewHistoryHasItsSchemaVersionAndOnlyItsOwnerReadsIt) {
  HistoryDb db = HistoryDb::Open(path());
  EXPECT_EQ(db.schema_version(), kSchemaVersion);
  db.Record(FailedRun("01234", {"A"}));
#ifndef _WIN32
  for (const std::string& file : {path(), path() + "-wal"}) {
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0) << file;
    EXPECT_EQ(st.st_mode & 0777, 0600u) << file;
  }
#endif
}

TEST_F(HistoryDbTest, RecordingNotCommittedLeavesTheHistoryAsBefore) {
  HistoryDb::Open(path()).Record(FailedRun("01234", {"A"}));
  {
    HistoryDb db = HistoryDb::Open(path());
    Recording dropped = db.Begin(FailedRun("01234", {"B"}));
    EXPECT_EQ(dropped.id(), 2);
  }
#ifndef _WIN32
  // A process killed in the middle of its transaction.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    HistoryDb db = HistoryDb::Open(path());
    Recording killed = db.Begin(FailedRun("01234", {"C"}));
    ::kill(::getpid(), SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
#endif
  {
    const Connection check(path());
    Statement integrity(check, "PRAGMA integrity_check");
    ASSERT_TRUE(integrity.Step());
    EXPECT_EQ(integrity.Text(0), "ok");
  }
  HistoryDb db = HistoryDb::Open(path());
  ASSERT_EQ(db.AllRuns().size(), 1u);
  // The next run still compares with the only one recorded.
  const Recording next = db.Record(FailedRun("01234", {"A", "D"}));
  ASSERT_TRUE(next.comparison());
  EXPECT_EQ(next.comparison()->anterior.id, 1);
  EXPECT_EQ(next.comparison()->mantidas, 1);
  EXPECT_EQ(next.comparison()->novas, 1);
}

TEST_F(HistoryDbTest, RunsSideBySideAllLand) {
  constexpr int kRuns = 20;
  HistoryDb::Open(path());
  auto record = [this](const std::string& empresa) {
    for (int i = 0; i < kRuns; ++i) HistoryDb::Open(path()).Record(FailedRun(empresa, {"A", "B"}));
  };
#ifndef _WIN32
  // Another process beside this one's two connections.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    try {
      record("00003");
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
#endif
  std::thread other([&] { record("00002"); });
  record("00001");
  other.join();
  std::size_t expected = 2 * kRuns;
#ifndef _WIN32
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  expected += kRuns;
#endif
  HistoryDb db = HistoryDb::Open(path());
  EXPECT_EQ(db.AllRuns().size(), expected);
  const std::vector<StoredRun> runs = db.ListRuns("00002");
  ASSERT_EQ(runs.size(), std::size_t{kRuns});
  // Newest first, each compared with the one before it of its own company.
  EXPECT_EQ(runs[0].anterior, runs[1].id);
  EXPECT_EQ(runs[0].mantidas, 2);
  EXPECT_EQ(runs.back().anterior, std::nullopt);
}

TEST_F(HistoryDbTest, ListsAndDeletesOneCompanysRuns) {
  HistoryDb db = HistoryDb::Open(path());
  db.Record(FailedRun("01234", {"A", "A", "B"}));
  db.Record(FailedRun("05555", {"A"}));
  db.Record(
      FailedRun("01234", {"A"}, "Cannot open file"));  // ended by an error: compared with nothing
  const Recording last = db.Record(FailedRun("01234", {"A", "C"}));
  ASSERT_TRUE(last.comparison());
  EXPECT_EQ(last.comparison()->anterior.id, 1);
  EXPECT_EQ(last.comparison()->corrigidas, 2);  // one A and B
  EXPECT_EQ(last.comparison()->novas, 1);

  std::vector<StoredRun> runs = db.ListRuns("01234 ");
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[1].record.erro, "Cannot open file");
  EXPECT_EQ(runs[1].anterior, std::nullopt);
  EXPECT_EQ(runs[0].falhas, 2);
  EXPECT_EQ(runs[0].novas, 1);
  EXPECT_EQ(runs[0].record.entradas, FailedRun("x", {}).entradas);

  EXPECT_EQ(db.DeleteCompany("01234"), 3);
  EXPECT_TRUE(db.ListRuns("01234").empty());
  ASSERT_EQ(db.AllRuns().size(), 1u);
  const std::optional<StoredRun> kept = db.LoadRun(2, true);
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->record.falhas.total(), 1);
}

TEST(FailureIdentitiesTest, StoredFormRoundTripsAndRefusesDamage) {
  // Two runs, as a walk's blocks leave them: the stored form holds them merged, in order.
  const HashRuns runs{{300, 5, std::numeric_limits<std::uint64_t>::max()}, {5, 0}};
  FailureIdentities split;
  const FailureGroup group{engine::FindingFile::kRiscos, "APOLICE", engine::FindingCheck::kNulo};
  for (const std::vector<std::uint64_t>& run : runs) split.AddRun(group, run);
  const std::vector<std::uint64_t> sorted{0, 5, 5, 300, std::numeric_limits<std::uint64_t>::max()};
  const std::string bytes = EncodeIdentities(split.groups().at(group));
  std::vector<std::uint64_t> back;
  ASSERT_TRUE(DecodeIdentities(bytes, 5, &back));
  EXPECT_EQ(back, sorted);
  EXPECT_EQ(split.Count(group, 5), 2);
  EXPECT_FALSE(DecodeIdentities(bytes.substr(0, bytes.size() - 1), 5, &back));
  EXPECT_FALSE(DecodeIdentities(bytes, 4, &back));
  // A large group sorts as by comparisons, repeated hashes and a shared top byte included.
  FailureIdentities identities;
  std::vector<std::uint64_t> expected;
  for (std::uint64_t i = 0; i < 5000; ++i) {
    expected.push_back((IdentityHash(std::to_string(i % 4000), "", "") >> 8) | (7ULL << 56));
  }
  identities.AddRun(group, expected);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(identities.groups().at(group), HashRuns{expected});
  // The padding of a key is no part of it.
  EXPECT_EQ(IdentityHash("POL1  ", "", "1 "), IdentityHash("POL1", "", "1"));
  EXPECT_NE(IdentityHash("AB", "", ""), IdentityHash("A", "B", ""));
  // Stored identities are compared with those of later versions: the hash never changes. Keys
  // of whole words, of parts of words and of bytes above 0x7F, as histories hold them.
  EXPECT_EQ(IdentityHash("", "", ""), 0xad102f5996ca31fbULL);
  EXPECT_EQ(IdentityHash("01234000000000000001", "0000100000", "000001"), 0xe44505ea2be1e997ULL);
  EXPECT_EQ(IdentityHash("A\xC9\xFF", "1234567", "12345678"), 0xfe736b9e1feba4c1ULL);
  EXPECT_EQ(IdentityHash("123456789", "X", "123456789012345678"), 0x8392f8d50039a3deULL);
}

TEST(NewFailureMarkerTest, RowsBeyondTheEarlierCountAreNew) {
  const RunRecord before = FailedRun("1", {"A", "A", "B"});
  NewFailureMarker marker(before.falhas);
  const FailureGroup evento{engine::FindingFile::kSinistros, "EVENTO",
                            engine::FindingCheck::kDominio};
  const std::uint64_t a = IdentityHash("A", "", "1");
  EXPECT_FALSE(marker.IsNew(evento, a));
  EXPECT_FALSE(marker.IsNew(evento, a));
  EXPECT_TRUE(marker.IsNew(evento, a));
  EXPECT_TRUE(marker.IsNew(evento, IdentityHash("C", "", "1")));
  EXPECT_TRUE(marker.IsNew({engine::FindingFile::kRiscos, "EVENTO", engine::FindingCheck::kDominio},
                           IdentityHash("B", "", "1")));
}

}  // namespace
}  // namespace history
