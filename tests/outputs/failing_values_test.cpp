// The HTML report's failing values counted on the workers, chunk by chunk, against the same
// findings told one by one on the walk's thread.
#include "outputs/failing_values.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace outputs {
namespace {

// Three fields: one with a few failing values, one with more than the counter tracks (whose
// places change hands), one that fills its places up in the middle of the file. The counts and
// the samples must not depend on the cut into chunks, nor on texts that outlive the call.
TEST(FailingValuesTest, CountedByChunksAsWhenToldOneByOne) {
  const std::string names[] = {"COBERTURA", "APOLICE", "D_OCORR"};
  const int distinct[] = {5, 400, 70};
  std::mt19937 random(20261210);
  std::vector<std::string> texts;
  std::vector<engine::FieldFinding> findings;
  const engine::KnownFindingDetails details({"0001", "0", "1"});
  for (std::uint32_t record = 1; record <= 6000; ++record) {
    const int field = static_cast<int>(random() % 3);
    const auto slice = static_cast<std::size_t>(field);
    // Skewed values, trailing blanks included: trimmed before they are counted.
    std::geometric_distribution<int> pick(field == 2 && record < 3000 ? 0.3 : 0.02);
    texts.push_back("v" + std::to_string(pick(random) % distinct[slice]) +
                    std::string(random() % 3, ' '));
    engine::FieldFinding f;
    f.record = record;
    f.position = field + 1;
    f.field = names[slice];
    f.check = static_cast<engine::FindingCheck>(random() % engine::kFieldCheckCount);
    f.details = &details;
    findings.push_back(f);
  }
  for (std::size_t i = 0; i < findings.size(); ++i) findings[i].text = texts[i];

  FailingValues told;
  for (const engine::FieldFinding& f : findings) told.FieldFailed(f);

  // The part is told each finding with texts that last only during the call, as a walk's are.
  FailingValues by_parts;
  const std::unique_ptr<engine::ChunkPart> part = by_parts.NewChunkPart();
  ASSERT_NE(part, nullptr);
  for (std::size_t first = 0; first < findings.size();) {
    const std::size_t end = std::min(findings.size(), first + 1 + random() % 300);
    for (std::size_t i = first; i < end; ++i) {
      engine::FieldFinding passing = findings[i];
      std::string text(findings[i].text);
      std::string name(findings[i].field);
      passing.text = text;
      passing.field = name;
      part->Count(passing);
      text.assign(text.size(), '#');
      name.assign(name.size(), '#');
    }
    part->Merge();
    first = end;
  }

  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const auto want = told.Top(engine::FindingFile::kRiscos, name, FailingValues::kTracked);
    const auto got = by_parts.Top(engine::FindingFile::kRiscos, name, FailingValues::kTracked);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
      EXPECT_EQ(got[i].value, want[i].value) << i;
      EXPECT_EQ(got[i].count, want[i].count) << i;
      EXPECT_EQ(got[i].overcount, want[i].overcount) << i;
    }
    for (int check = 0; check < engine::kFieldCheckCount; ++check) {
      const auto c = static_cast<engine::FindingCheck>(check);
      const SampleGroup& a = told.samples().Field(engine::FindingFile::kRiscos, name, c);
      const SampleGroup& b = by_parts.samples().Field(engine::FindingFile::kRiscos, name, c);
      EXPECT_EQ(b.count, a.count) << check;
      ASSERT_EQ(b.rows.size(), a.rows.size()) << check;
      for (std::size_t i = 0; i < a.rows.size(); ++i) {
        EXPECT_EQ(b.rows[i].record, a.rows[i].record);
        EXPECT_EQ(b.rows[i].first, a.rows[i].first);
        EXPECT_EQ(b.rows[i].second, a.rows[i].second);
      }
    }
  }
}

// A value that fails several checks of its field in one record (a blank: nulo and tamanho) is
// one failing value of that record: counted once, told one by one or by chunks alike.
TEST(FailingValuesTest, AValueFailingSeveralChecksOfARecordCountsOnce) {
  const engine::KnownFindingDetails details({"0001", "0", "1"});
  std::vector<engine::FieldFinding> findings;
  for (std::uint32_t record = 1; record <= 3; ++record) {
    for (const auto check : {engine::FindingCheck::kNulo, engine::FindingCheck::kTamanho,
                             engine::FindingCheck::kData}) {
      engine::FieldFinding f;
      f.record = record;
      f.position = 4;
      f.field = "FIM_VIG";
      f.check = check;
      f.text = "        ";
      f.details = &details;
      findings.push_back(f);
    }
  }
  FailingValues told;
  for (const engine::FieldFinding& f : findings) told.FieldFailed(f);
  FailingValues by_parts;
  const std::unique_ptr<engine::ChunkPart> part = by_parts.NewChunkPart();
  for (std::size_t i = 0; i < findings.size(); ++i) {
    part->Count(findings[i]);
    if (i == 5) part->Merge();  // a chunk ends after the second record
  }
  part->Merge();
  for (const FailingValues* values : {&told, &by_parts}) {
    const auto top = values->Top(engine::FindingFile::kRiscos, "FIM_VIG", 10);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].value, "");
    EXPECT_EQ(top[0].count, 3);
  }
}

// A finding's texts are valid only during the call: a name told from the same bytes as the one
// before, rewritten in between, is another field's, at the same position or not.
TEST(FailingValuesTest, FieldsAreKnownByTheirNamesNotWhereTheNamesLie) {
  std::string name = "CAMPO_A";
  const char* const bytes = name.data();
  FailingValues values;
  engine::FieldFinding f;
  f.position = 3;
  f.check = engine::FindingCheck::kData;
  f.record = 1;
  f.field = name;
  f.text = "20230230";
  values.FieldFailed(f);
  name.back() = 'B';
  ASSERT_EQ(name.data(), bytes);
  f.record = 2;
  f.field = name;
  f.text = "20231301";
  values.FieldFailed(f);

  const auto a = values.Top(engine::FindingFile::kRiscos, "CAMPO_A", 10);
  const auto b = values.Top(engine::FindingFile::kRiscos, "CAMPO_B", 10);
  ASSERT_EQ(a.size(), 1u);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(a[0].value, "20230230");
  EXPECT_EQ(b[0].value, "20231301");
  const SampleGroup& samples =
      values.samples().Field(engine::FindingFile::kRiscos, "CAMPO_B", f.check);
  ASSERT_EQ(samples.rows.size(), 1u);
  EXPECT_EQ(samples.rows[0].record, 2u);
}

}  // namespace
}  // namespace outputs
