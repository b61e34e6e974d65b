#include "tables/key_index.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "tables/dbf_table.h"
#include "tables/table_error.h"
#include "tests/support/listed_probe.h"
#include "tools/dbf_writer.h"

namespace {

using testing_support::TempDir;

const std::vector<tools::DbfFieldSpec> kRiskFields = {
    {"COD_SEG", 'C', 5}, {"APOLICE", 'C', 20}, {"ITEM", 'C', 6}, {"PREMIO", 'N', 12, 2}};

std::string Pad(std::string s, std::size_t width) {
  s.resize(width, ' ');
  return s;
}
std::string Key(const std::string& apolice, const std::string& item) {
  return Pad(apolice, 20) + Pad(item, 6);
}

struct Risk {
  std::string apolice;
  std::string item;
  bool deleted = false;
};

using testing_support::ReadBytes;

std::uint32_t Le(const std::string& b, std::size_t at, int width) {
  std::uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) {
    v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
  }
  return v;
}

// Walks the written file on its own, without the index's page code, and checks the structure:
// counts within the maximum, slots and children inside the file, every leaf on one level, no
// empty page but an empty root. Returns the (key, record number) pairs in tree order.
class NtxWalk {
 public:
  explicit NtxWalk(std::string bytes) : b_(std::move(bytes)) {}

  std::vector<std::pair<std::string, std::uint32_t>> Walk() {
    EXPECT_EQ(b_.size() % 1024, 0u);
    Visit(Le(b_, 4, 4), 0);
    return items_;
  }

 private:
  void Visit(std::uint32_t page, int depth) {
    ASSERT_LT(depth, 10);
    ASSERT_TRUE(page >= 1024 && page % 1024 == 0 && page + 1024 <= b_.size()) << page;
    const std::uint32_t n = Le(b_, page, 2);
    ASSERT_LE(n, 26u);
    if (depth > 0) {
      EXPECT_GE(n, 1u) << "empty page at " << page;
    }
    std::vector<std::uint32_t> children;
    for (std::uint32_t i = 0; i <= n; ++i) {
      const std::uint32_t slot = Le(b_, page + 2 + 2 * i, 2);
      ASSERT_LE(slot + 34, 1024u);
      children.push_back(Le(b_, page + slot, 4));
    }
    const bool leaf = children[0] == 0;
    if (leaf && leaf_depth_ < 0) leaf_depth_ = depth;
    if (leaf) {
      EXPECT_EQ(depth, leaf_depth_) << "leaves on different levels";
    }
    for (std::uint32_t i = 0; i <= n; ++i) {
      EXPECT_EQ(children[i] == 0, leaf) << "page " << page << " slot " << i;
      if (children[i] != 0) Visit(children[i], depth + 1);
      if (i == n) break;
      const std::size_t item = page + Le(b_, page + 2 + 2 * i, 2);
      items_.emplace_back(b_.substr(item + 8, 26), Le(b_, item + 4, 4));
    }
  }

  std::string b_;
  std::vector<std::pair<std::string, std::uint32_t>> items_;
  int leaf_depth_ = -1;
};

class KeyIndexTest : public ::testing::Test {
 protected:
  void WriteRisks(const std::vector<Risk>& risks) {
    tools::DbfBuilder builder(kRiskFields);
    for (const Risk& r : risks) builder.Add({"00001", r.apolice, r.item, "10.00"}, r.deleted);
    builder.Write(dbf_path_);
  }
  // `small_cache`: searches read most pages back from the file instead of memory.
  // `from_walk`: from the keys of the records the table shows, gathered as a run's walk does.
  // `answer_later`: the probe answered from the built file, which keeps no pages in memory.
  tables::KeyIndex& Build(const std::vector<Risk>& risks, bool small_cache = false,
                          bool from_walk = false, tables::KeyProbe* probe = nullptr,
                          bool answer_later = false) {
    WriteRisks(risks);
    table_.SetFileName(dbf_path_);
    table_.Open();
    index_ = std::make_unique<tables::KeyIndex>(table_, "apolice");
    if (small_cache) index_->SetCacheBudget(inner_pages_, leaf_slots_);
    index_->SetKeyExpression("apolice+item");
    index_->SetFileName(ntx_path_);
    if (answer_later) {
      index_->SetKeepPages(false);
      std::swap(probe, later_);
    }
    if (!from_walk && probe == nullptr && later_ == nullptr) {
      index_->Create();
      return *index_;
    }
    std::string reason;
    if (!from_walk) {
      EXPECT_TRUE(index_->TryCreate(*platform::ExclusiveFile::CreateFresh(ntx_path_), &reason,
                                    nullptr, probe))
          << reason;
      return AnswerLater();
    }
    auto scratch = platform::ExclusiveFile::CreateFresh(dir_.file("chaves.tmp"));
    collected_ = tables::KeyCollection::Start(table_, "apolice+item", std::move(*scratch));
    for (table_.First(); !table_.Eof(); table_.Next()) {
      collected_->Add(table_.RecNo(), table_.Record());
    }
    collected_->Finish();
    EXPECT_TRUE(index_->TryCreate(*platform::ExclusiveFile::CreateFresh(ntx_path_), &reason,
                                  collected_.get(), probe))
        << reason;
    return AnswerLater();
  }

  tables::KeyIndex& AnswerLater() {
    if (later_ != nullptr) {
      EXPECT_TRUE(index_->AnswerProbe(*std::exchange(later_, nullptr)));
    }
    return *index_;
  }

  std::size_t inner_pages_ = 1;  // the cache of a small_cache build
  std::size_t leaf_slots_ = 3;
  TempDir dir_;
  std::string dbf_path_ = dir_.file("riscos.dbf");
  std::string ntx_path_ = dir_.file("apolice.ntx");
  tables::DbfTable table_{"tbRiscos", true};
  std::unique_ptr<tables::KeyCollection> collected_;
  tables::KeyProbe* later_ = nullptr;
  std::unique_ptr<tables::KeyIndex> index_;
};

TEST_F(KeyIndexTest, HeaderCarriesTheLayoutOfThePolicyKey) {
  Build({{"P1", "1"}, {"P2", "2"}});
  EXPECT_EQ(index_->name(), "apolice");
  index_.reset();  // a held file cannot be read by anyone else where sharing is enforced
  const std::string b = ReadBytes(ntx_path_);
  ASSERT_GE(b.size(), 2048u);
  EXPECT_EQ(Le(b, 0, 2), 6u);  // signature
  EXPECT_EQ(Le(b, 2, 2), 1u);  // version
  EXPECT_EQ(Le(b, 4, 4) % 1024, 0u);
  EXPECT_GE(Le(b, 4, 4), 1024u);
  EXPECT_EQ(Le(b, 8, 4), 0u);    // no free page
  EXPECT_EQ(Le(b, 12, 2), 34u);  // item size
  EXPECT_EQ(Le(b, 14, 2), 26u);  // key size
  EXPECT_EQ(Le(b, 16, 2), 0u);   // decimals
  EXPECT_EQ(Le(b, 18, 2), 26u);  // maximum items
  EXPECT_EQ(Le(b, 20, 2), 13u);  // half page
  EXPECT_EQ(b.substr(22, 13), std::string("apolice+item") + '\0');
  EXPECT_EQ(b.substr(35, 1024 - 35), std::string(1024 - 35, '\0'))
      << "expression padding, flags, FOR condition, order name and reserved bytes are zero";
}

TEST_F(KeyIndexTest, SearchSkipsDeletedRecordsAndComparesBytes) {
  std::vector<Risk> risks = {
      {"ONLYDEL", "1", true}, {"DELLIVE", "1", true}, {"DELLIVE", "1"},
      {"Case", "1"},          {"BLANK", "1"},         {"ZZZ", "9"},
  };
  // A run of deleted duplicates longer than a page, then the live one, among other keys.
  for (int i = 0; i < 60; ++i) risks.push_back({"MANY", "7", true});
  for (int i = 0; i < 200; ++i) risks.push_back({"FILL" + std::to_string(i), "1"});
  risks.push_back({"MANY", "7"});
  const auto live_many = static_cast<std::uint32_t>(risks.size());
  tables::KeyIndex& index = Build(risks);

  struct Case {
    std::string value;
    bool found;
    std::uint32_t recno;
  };
  const std::vector<Case> cases = {
      {Key("ONLYDEL", "1"), false, 0},
      {Key("DELLIVE", "1"), true, 3},
      {Key("MANY", "7"), true, live_many},
      {Key("Case", "1"), true, 4},
      {Key("CASE", "1"), false, 0},                 // letter case counts
      {Key(" BLANK", "1"), false, 0},               // a leading blank inside the 20 positions
      {"BLANK1" + std::string(20, ' '), false, 0},  // blanks in other positions
      {Key("BLANK", "2"), false, 0},                // item differs
      {Key("ZZZ", "9") + "X", true, 6},             // only the key size is compared
      {"ZZ", true, 6},                              // a shorter value is a prefix
      {"DELL", true, 3},
      {"ONLYD", false, 0},
      {"", true, 5},                 // empty prefix: the smallest key, "BLANK"
      {Key("ZZZZ", "9"), false, 0},  // beyond every key
      {Key("AAA", "1"), false, 0},   // before every key
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("value [" + c.value + "]");
    table_.GoTo(1);
    EXPECT_EQ(index.HasKey(c.value), c.found);
    EXPECT_EQ(table_.RecNo(), 1u) << "HasKey moved the table";
    EXPECT_EQ(index.FindKey(c.value), c.found);
    EXPECT_EQ(table_.RecNo(), c.found ? c.recno : 1u) << "position after the search";
  }
}

TEST_F(KeyIndexTest, EmptyTableBuildsAndFindsNothing) {
  tables::KeyIndex& index = Build({});
  EXPECT_EQ(index.KeyCount(), 0u);
  EXPECT_FALSE(index.FindKey(Key("P1", "1")));
  EXPECT_FALSE(index.FindKey(""));
  index_.reset();
  EXPECT_TRUE(NtxWalk(ReadBytes(ntx_path_)).Walk().empty());
}

TEST_F(KeyIndexTest, LeftoverFileIsReplaced) {
  tools::WriteFile(ntx_path_, std::string(300000, 'x'));
  tables::KeyIndex& index = Build({{"P1", "1"}});
  EXPECT_TRUE(index.FindKey(Key("P1", "1")));
  index_.reset();
  const std::string b = ReadBytes(ntx_path_);
  EXPECT_EQ(b.size(), 2048u);
  EXPECT_EQ(Le(b, 0, 2), 6u);
}

TEST_F(KeyIndexTest, ErrorsCarryTheIndexTexts) {
  WriteRisks({{"P1", "1"}});
  tables::KeyIndex index(table_, "apolice");
  index.SetKeyExpression("apolice+item");
  index.SetFileName(ntx_path_);
  try {
    index.Create();
    FAIL() << "built on a closed table";
  } catch (const tables::TableError& e) {
    EXPECT_STREQ(e.what(), "TMarlNTXIndex.CreateIndex: Create index only on active DataSet");
  }
  table_.SetFileName(dbf_path_);
  table_.Open();
  index.SetFileName(dir_.file("no-such-folder/apolice.ntx"));
  try {
    index.Create();
    FAIL() << "built into a missing folder";
  } catch (const tables::TableError& e) {
    EXPECT_THAT(e.what(), testing::MatchesRegex(
                              "TMarlNTXIndex\\.CreateIndex: Create error \"apolice\" \\(.+\\)"));
  }
  EXPECT_FALSE(index.FindKey(Key("P1", "1")));
  index.SetFileName(ntx_path_);
  index.SetKeyExpression("apolice+itens");
  try {
    index.Create();
    FAIL() << "built on a field the table lacks";
  } catch (const tables::TableError& e) {
    EXPECT_STREQ(e.what(), "tbRiscos: Field 'itens' not found");
  }
}

TEST_F(KeyIndexTest, FileHeldByAnotherCannotBeCreated) {
  WriteRisks({{"P1", "1"}});
  auto holder = platform::ExclusiveFile::CreateReadWrite(ntx_path_);
  ASSERT_TRUE(holder);
  table_.SetFileName(dbf_path_);
  table_.Open();
  tables::KeyIndex index(table_, "x");
  index.SetKeyExpression("APOLICE + ITEM");
  index.SetFileName(ntx_path_);
  EXPECT_THROW(index.Create(), tables::TableError);
}

TEST_F(KeyIndexTest, DamagedPageReadBackIsAnErrorNotACrash) {
#ifdef _WIN32
  GTEST_SKIP() << "a held file cannot be written by another where sharing is enforced";
#endif
  std::vector<Risk> risks;
  for (int i = 0; i < 3000; ++i) risks.push_back({"POL" + std::to_string(i), "1"});
  tables::KeyIndex& index = Build(risks, /*small_cache=*/true);
  {
    // The lock is advisory: another writer can still damage the file under the index.
    std::fstream f(ntx_path_, std::ios::in | std::ios::out | std::ios::binary);
    const std::size_t size = ReadBytes(ntx_path_).size();
    for (std::size_t at = 1024; at < size; at += 1024) {
      f.seekp(static_cast<std::streamoff>(at));
      f.write("\xFF\xFF", 2);  // a count above the maximum
    }
  }
  try {
    index.FindKey(Key("POL1", "1"));
    FAIL() << "a damaged page was searched";
  } catch (const tables::TableError& e) {
    EXPECT_EQ(std::string(e.what()),
              "TMarlNTXIndex: index file \"" + ntx_path_ + "\" cannot be read back");
  }
}

// Random tables of several batches and several tree levels against a multimap model, searched
// in memory and, with a cache of a few pages, from the file.
// Built from the table or from the keys a walk gathered (only the records it shows): the same
// answers. The probe's texts answered during the build or, later, from the file along its keys.
TEST_F(KeyIndexTest, MatchesMultimapModel) {
  std::mt19937 rng(20240315);
  const struct {
    std::size_t size;
    bool small_cache;
    bool from_walk;
    bool answer_later;
  } rounds[] = {
      {1, false, false, false},     {26, false, false, false},    {27, false, false, false},
      {30840, false, false, false}, {30841, false, false, false}, {3000, true, false, false},
      {45000, false, false, false}, {45000, true, false, false},  {3000, true, true, false},
      {45000, false, true, false},  {1, false, false, true},      {27, false, true, true},
      {3000, true, false, true},    {45000, false, true, true}};
  for (const auto [size, small_cache, from_walk, answer_later] : rounds) {
    SCOPED_TRACE("records " + std::to_string(size) + (small_cache ? ", small cache" : "") +
                 (from_walk ? ", from a walk" : "") + (answer_later ? ", answered later" : ""));
    index_.reset();
    collected_.reset();
    table_.Close();
    std::vector<Risk> risks;
    // Few distinct policies, so equal keys cross pages; about one record in five deleted.
    std::uniform_int_distribution<int> policy(0, static_cast<int>(size / 3 + 1));
    std::uniform_int_distribution<int> item(1, 3);
    std::uniform_int_distribution<int> coin(0, 4);
    std::multimap<std::string, std::pair<std::uint32_t, bool>> model;
    for (std::size_t i = 0; i < size; ++i) {
      Risk r{"POL" + std::to_string(policy(rng)), std::to_string(item(rng)), coin(rng) == 0};
      model.emplace(Key(r.apolice, r.item),
                    std::make_pair(static_cast<std::uint32_t>(i + 1), r.deleted));
      risks.push_back(r);
    }
    // Exact and prefix searches (every fourth a prefix), asked of the built index and, as a
    // probe, of the build itself; enough that a probe answered later is merged in several blocks.
    std::uniform_int_distribution<int> probe(0, static_cast<int>(size / 3 + 3));
    std::vector<std::string> values;
    for (int q = 0; q < 5000; ++q) {
      std::string value = Key("POL" + std::to_string(probe(rng)), std::to_string(item(rng)));
      if (q % 4 == 3) value.resize(3 + static_cast<std::size_t>(q % 5));
      values.push_back(value);
    }
    testing_support::ListedProbe texts(dir_.file("textos.tmp"), 26, 4096, values);
    tables::KeyIndex& index = Build(risks, small_cache, from_walk, &texts, answer_later);
    EXPECT_TRUE(texts.answered);
    EXPECT_FALSE(texts.twice);
    const auto shown = static_cast<std::size_t>(
        std::count_if(risks.begin(), risks.end(), [](const Risk& r) { return !r.deleted; }));
    EXPECT_EQ(index.KeyCount(), from_walk ? shown : size);

    // The first visible record in key order, then record order (equal keys keep their
    // insertion order in a multimap, that is record order).
    auto expected = [&](const std::string& value) -> std::uint32_t {
      for (auto it = model.lower_bound(value);
           it != model.end() && it->first.compare(0, value.size(), value) == 0; ++it) {
        if (!it->second.second) return it->second.first;
      }
      return 0;
    };
    for (std::size_t q = 0; q < values.size(); ++q) {
      const std::string& value = values[q];
      const std::uint32_t want = expected(value);
      SCOPED_TRACE("value [" + value + "]");
      ASSERT_EQ(texts.missing.count(static_cast<std::uint32_t>(q)) == 0, want != 0);
      ASSERT_EQ(index.FindKey(value), want != 0);
      if (want != 0) {
        ASSERT_EQ(table_.RecNo(), want);
      }
    }

    // The file, once released: keys ascending, every record once under its own key.
    index_.reset();
    const auto items = NtxWalk(ReadBytes(ntx_path_)).Walk();
    ASSERT_EQ(items.size(), from_walk ? shown : size);
    std::set<std::uint32_t> seen;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (i > 0) {
        ASSERT_LE(items[i - 1].first, items[i].first);
      }
      ASSERT_TRUE(seen.insert(items[i].second).second) << "record twice " << items[i].second;
      const Risk& r = risks.at(items[i].second - 1);
      ASSERT_EQ(items[i].first, Key(r.apolice, r.item));
    }
  }
}

// The key as the index holds it: each field's text up to a NUL, joined, padded with NULs.
std::string StoredKey(const Risk& r) {
  auto text = [](std::string s, std::size_t width) {
    s.resize(width, ' ');
    return s.substr(0, s.find('\0'));
  };
  std::string key = text(r.apolice, 20) + text(r.item, 6);
  key.resize(26, '\0');
  return key;
}

// Files in policy order (as most come), with damaged values out of place, in reverse order, and
// keys that share their first 8 or 14 bytes, hold NULs or bytes above 127: the searches and the
// file agree with a model of the records, in memory and through a small cache.
TEST_F(KeyIndexTest, OrderedFilesAndLongSharedPrefixesMatchModel) {
  std::mt19937 rng(7);
  auto policy = [](int n) {
    std::string digits = std::to_string(100000 + n);
    return std::string(20 - digits.size(), '0') + digits;
  };
  auto ordered = [&](int count) {
    std::vector<Risk> risks;
    for (int i = 0; i < count; ++i) {
      risks.push_back({policy(i / 4), "00000" + std::to_string(1 + i % 4), i % 7 == 3});
    }
    return risks;
  };
  auto damaged = [&](int count) {
    std::vector<Risk> risks = ordered(count);
    const std::vector<std::string> bad = {"", "0000000000000010000 ",
                                          std::string("00000000\0") + "9",
                                          "\xC7" + policy(1).substr(1), "0000000000000010000Z"};
    for (std::size_t i = 5; i < risks.size(); i += 29) {
      risks[i].apolice = bad[i % bad.size()];
      if (i % 3 == 0) risks[i].item = "";
    }
    // The same key again across batches, the first copies deleted.
    for (int i = 0; i < 40; ++i)
      risks.insert(risks.begin() + 1900 + 50 * i, {policy(3), "000002", i < 39});
    return risks;
  };
  auto shared_prefix = [&](int count) {
    const std::string alphabet = std::string("AB ") + '\xC7' + '\0';
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::vector<Risk> risks;
    for (int i = 0; i < count; ++i) {
      std::string p = "ABCDEFGH";
      for (int j = 0; j < 4; ++j) p += alphabet[pick(rng)];
      risks.push_back({p, std::string(1, alphabet[pick(rng)]), pick(rng) == 0});
    }
    return risks;
  };
  struct Round {
    std::string name;
    std::vector<Risk> risks;
    bool small_cache;
  };
  std::vector<Round> rounds = {{"ordered", ordered(6000), false},
                               {"ordered, small cache", ordered(6000), true},
                               {"damaged", damaged(9000), false},
                               {"damaged, small cache", damaged(9000), true},
                               {"reversed", {}, false},
                               {"shared prefix", shared_prefix(5000), false},
                               {"shared prefix, small cache", shared_prefix(5000), true}};
  rounds[4].risks = ordered(5000);
  std::reverse(rounds[4].risks.begin(), rounds[4].risks.end());
  inner_pages_ = 5;  // several pinned inner pages, fewer than the tree has
  leaf_slots_ = 7;
  for (const Round& round : rounds) {
    SCOPED_TRACE(round.name);
    index_.reset();
    table_.Close();
    tables::KeyIndex& index = Build(round.risks, round.small_cache);
    std::multimap<std::string, std::pair<std::uint32_t, bool>> model;
    for (std::size_t i = 0; i < round.risks.size(); ++i) {
      model.emplace(StoredKey(round.risks[i]),
                    std::make_pair(static_cast<std::uint32_t>(i + 1), round.risks[i].deleted));
    }
    auto expected = [&](std::string value) -> std::uint32_t {
      value.resize(std::min<std::size_t>(value.size(), 26));
      const std::size_t nul = value.find('\0');
      if (nul != std::string::npos)
        std::fill(value.begin() + static_cast<std::ptrdiff_t>(nul), value.end(), '\0');
      for (auto m = model.lower_bound(value);
           m != model.end() && m->first.compare(0, value.size(), value) == 0; ++m) {
        if (!m->second.second) return m->second.first;
      }
      return 0;
    };
    std::vector<std::string> probes;
    std::uniform_int_distribution<std::size_t> any(0, round.risks.size() - 1);
    for (int q = 0; q < 600; ++q) {
      const Risk& r = round.risks[any(rng)];
      const std::string key = Key(r.apolice, r.item);
      probes.push_back(key);
      probes.push_back(Key(r.apolice, "000009"));
      probes.push_back(key.substr(0, static_cast<std::size_t>(q % 22)));
      probes.push_back(key + "Z");
      std::string with_nul = key;
      with_nul[8 + static_cast<std::size_t>(q % 18)] = '\0';
      probes.push_back(with_nul);
    }
    for (const std::string& value : probes) {
      const std::uint32_t want = expected(value);
      SCOPED_TRACE("value [" + value + "]");
      ASSERT_EQ(index.FindKey(value), want != 0);
      if (want != 0) {
        ASSERT_EQ(table_.RecNo(), want);
      }
    }

    index_.reset();  // the file, once released
    const auto items = NtxWalk(ReadBytes(ntx_path_)).Walk();
    ASSERT_EQ(items.size(), model.size());
    auto it = model.begin();
    for (const auto& item : items) {
      ASSERT_EQ(item.first, it->first);
      ASSERT_EQ(item.second, it->second.first) << "equal keys in record order";
      ++it;
    }
  }
}

}  // namespace
