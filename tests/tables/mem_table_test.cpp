#include "tables/mem_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <numeric>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "support/expect_throw_msg.h"
#include "tables/table_error.h"

namespace tables {
namespace {

FieldValue T(std::string s) { return FieldValue::Text(std::move(s)); }
FieldValue I(std::int32_t i) { return FieldValue::Int32(i); }

// The shape of the rule table: two indexes over (tabela, campo) and (tabela, ordem), plus a
// counter and a row number that belong to no index.
class MemTableTest : public ::testing::Test {
 protected:
  MemTableTest() : t_("zelTeste") {}

  void Define() {
    t_.ClearFieldDefs();
    t_.AddFieldDef("tabela", FieldType::kInteger);
    t_.AddFieldDef("campo", FieldType::kString, 10);
    t_.AddFieldDef("ordem", FieldType::kInteger);
    t_.AddFieldDef("peso", FieldType::kFloat);
    t_.AddFieldDef("erroNulo", FieldType::kInteger);
    t_.AddFieldDef("id", FieldType::kInteger);
    t_.ClearIndexDefs();
    t_.AddIndexDef("index1", "tabela;campo");
    t_.AddIndexDef("index2", "tabela;ordem");
    t_.AddIndexDef("porId", "id");
    t_.CreateTable();
    t_.Open();
  }

  void Add(std::optional<int> tabela, std::optional<std::string> campo, std::optional<int> ordem,
           int id) {
    t_.Append();
    if (tabela) t_.SetField("tabela", I(*tabela));
    if (campo) t_.SetField("campo", T(*campo));
    if (ordem) t_.SetField("ordem", I(*ordem));
    t_.SetField("id", I(id));
    t_.Post();
  }

  int CurrentId() const { return t_.GetFieldValue("id").int32(); }

  std::vector<int> Walk() {
    std::vector<int> ids;
    for (t_.First(); !t_.Eof(); t_.Next()) ids.push_back(CurrentId());
    return ids;
  }

  MemTable t_;
};

// The model: keys as optionals (nullopt sorts first, std::string compares as unsigned bytes),
// ties by insertion number.
using ModelKey = std::tuple<std::optional<int>, std::optional<std::string>>;
struct ModelRow {
  std::optional<int> tabela;
  std::optional<std::string> campo;
  std::optional<int> ordem;
};

std::string RandomText(std::mt19937& rng) {
  // Few distinct texts so keys repeat; case, a trailing blank and a byte above 0x7F matter.
  static const char* const kTexts[] = {"COD_SEG",  "cod_seg", "COD_SEG ", "APOLICE", "ITEM",
                                       "\xC9POCA", "A",       "B",        "AB",      ""};
  return kTexts[std::uniform_int_distribution<int>(0, 9)(rng)];
}

TEST_F(MemTableTest, AgreesWithOrderedModelOnWalksAndSearches) {
  Define();
  std::mt19937 rng(20230601);
  std::vector<ModelRow> model;
  auto maybe = [&](int null_one_in) {
    return std::uniform_int_distribution<int>(0, null_one_in - 1)(rng) != 0;
  };
  for (int id = 0; id < 600; ++id) {
    ModelRow r;
    if (maybe(12)) r.tabela = std::uniform_int_distribution<int>(-2, 5)(rng);
    if (maybe(12)) r.campo = RandomText(rng);
    if (maybe(12)) r.ordem = std::uniform_int_distribution<int>(0, 30)(rng);
    model.push_back(r);
    Add(r.tabela, r.campo, r.ordem, id);
  }
  // Change the key of some rows and the counter of others: keyed rows move, counters do not.
  t_.SetIndexName("porId");
  for (int round = 0; round < 90; ++round) {
    const int id = std::uniform_int_distribution<int>(0, 599)(rng);
    ASSERT_TRUE(t_.FindKey({I(id)}));
    t_.Edit();
    ModelRow& r = model[static_cast<std::size_t>(id)];
    switch (round % 3) {
      case 0:
        r.campo = maybe(5) ? std::optional(RandomText(rng)) : std::nullopt;
        t_.SetField("campo", r.campo ? T(*r.campo) : FieldValue());
        break;
      case 1:
        r.tabela = std::uniform_int_distribution<int>(-2, 5)(rng);
        t_.SetField("tabela", I(*r.tabela));
        break;
      default:
        t_.SetField("erroNulo", I(round));
        break;
    }
    t_.Post();
    ASSERT_EQ(CurrentId(), id);
  }
  ASSERT_EQ(t_.RecordCount(), model.size());

  auto expect_order = [&](const std::string& index, auto key_of) {
    SCOPED_TRACE("index " + index);
    std::set<std::pair<decltype(key_of(model[0])), int>> ordered;
    for (int id = 0; id < static_cast<int>(model.size()); ++id)
      ordered.insert({key_of(model[static_cast<std::size_t>(id)]), id});
    std::vector<int> expected;
    for (const auto& [key, id] : ordered) expected.push_back(id);
    t_.SetIndexName(index);
    EXPECT_EQ(Walk(), expected);
  };
  auto key1 = [](const ModelRow& r) { return ModelKey{r.tabela, r.campo}; };
  auto key2 = [](const ModelRow& r) { return std::tuple{r.tabela, r.ordem}; };
  expect_order("index1", key1);
  expect_order("index2", key2);

  std::vector<int> insertion(model.size());
  std::iota(insertion.begin(), insertion.end(), 0);
  t_.SetIndexName("");
  EXPECT_EQ(Walk(), insertion);

  // Searches: the earliest inserted of equal keys, or false with the current row kept.
  t_.SetIndexName("index1");
  for (int probe = 0; probe < 400; ++probe) {
    ModelKey key{std::uniform_int_distribution<int>(-3, 6)(rng), RandomText(rng)};
    if (!maybe(10)) std::get<0>(key).reset();
    if (!maybe(10)) std::get<1>(key).reset();
    std::optional<int> expected;
    for (int id = 0; id < static_cast<int>(model.size()) && !expected; ++id) {
      if (key1(model[static_cast<std::size_t>(id)]) == key) expected = id;
    }
    std::vector<FieldValue> values;
    values.push_back(std::get<0>(key) ? I(*std::get<0>(key)) : FieldValue());
    values.push_back(std::get<1>(key) ? T(*std::get<1>(key)) : FieldValue());
    const int before = CurrentId();
    SCOPED_TRACE("probe " + std::to_string(probe));
    ASSERT_EQ(t_.FindKey(values), expected.has_value());
    EXPECT_EQ(CurrentId(), expected.value_or(before));
  }
}

TEST_F(MemTableTest, TextKeysMatchOnlyByteForByte) {
  Define();
  Add(1, "COD_SEG", 1, 0);
  Add(1, "APOLICE", 2, 1);
  t_.SetIndexName("index1");
  struct Probe {
    const char* campo;
    bool found;
  };
  for (const Probe& p :
       {Probe{"COD_SEG", true}, Probe{"cod_seg", false}, Probe{"COD_SEG ", false},
        Probe{" COD_SEG", false}, Probe{"COD_SE", false}, Probe{"Cod_Seg", false}}) {
    SCOPED_TRACE(p.campo);
    EXPECT_EQ(t_.FindKey({I(1), T(p.campo)}), p.found);
  }
}

TEST_F(MemTableTest, LongTextIsCutToFieldSizeOnStoreAndSearch) {
  Define();
  const std::string thirty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";
  Add(1, thirty, 1, 7);
  t_.First();
  EXPECT_EQ(t_.GetFieldValue("campo").text(), "ABCDEFGHIJ");
  t_.SetIndexName("index1");
  // The search key is converted like a store, so the long text finds the cut row.
  EXPECT_TRUE(t_.FindKey({I(1), T(thirty)}));
  EXPECT_TRUE(t_.FindKey({I(1), T("ABCDEFGHIJ")}));
  EXPECT_FALSE(t_.FindKey({I(1), T("ABCDEFGHI")}));
}

TEST_F(MemTableTest, UnsetFieldsAreNullAndSortFirst) {
  Define();
  Add(2, "B", 1, 0);
  Add(std::nullopt, "Z", 1, 1);
  Add(2, std::nullopt, 1, 2);
  Add(1, "A", 1, 3);
  Add(std::nullopt, std::nullopt, 1, 4);
  t_.SetIndexName("");
  t_.First();
  t_.Next();
  EXPECT_TRUE(t_.GetFieldValue("tabela").IsNull());
  EXPECT_TRUE(t_.GetFieldValue("peso").IsNull());
  t_.SetIndexName("index1");
  EXPECT_EQ(Walk(), (std::vector<int>{4, 1, 3, 2, 0}));
  // A missing search value is null and matches only a null field; extra values are ignored.
  EXPECT_TRUE(t_.FindKey({I(2)}));
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_TRUE(t_.FindKey({FieldValue(), FieldValue(), T("ignored")}));
  EXPECT_EQ(CurrentId(), 4);
  EXPECT_FALSE(t_.FindKey({I(1)}));
}

TEST_F(MemTableTest, NumbersOrderNumericallyNotAsText) {
  Define();
  for (int v : {10, -1, 9, 100, 2}) Add(v, "X", v, v);
  t_.SetIndexName("index2");
  EXPECT_EQ(Walk(), (std::vector<int>{-1, 2, 9, 10, 100}));
  // Text and 64-bit search values are converted to the integer field.
  EXPECT_TRUE(t_.FindKey({T("100"), T(" 100")}));
  EXPECT_EQ(CurrentId(), 100);
  EXPECT_TRUE(t_.FindKey({FieldValue::Int64(9), FieldValue::Int64(9)}));
  EXPECT_EQ(CurrentId(), 9);
}

TEST_F(MemTableTest, SwitchingIndexKeepsCurrentRowAndWalksOnFromIt) {
  Define();
  // index1 order: ids 2, 0, 1 (campo A, B, C); index2 order: ids 1, 0, 2 (ordem 1, 2, 3).
  Add(1, "B", 2, 0);
  Add(1, "C", 1, 1);
  Add(1, "A", 3, 2);
  t_.SetIndexName("index1");
  ASSERT_TRUE(t_.FindKey({I(1), T("B")}));
  t_.SetIndexName("index2");
  EXPECT_EQ(t_.IndexName(), "index2");
  EXPECT_EQ(CurrentId(), 0);
  EXPECT_FALSE(t_.Eof());
  t_.Next();
  EXPECT_EQ(CurrentId(), 2);
  t_.Next();
  EXPECT_TRUE(t_.Eof());
  EXPECT_THROW(t_.SetIndexName("index9"), TableMisuse);
  EXPECT_EQ(t_.IndexName(), "index2");
}

TEST_F(MemTableTest, FailedSearchKeepsCurrentRow) {
  Define();
  Add(1, "A", 1, 0);
  Add(1, "B", 2, 1);
  t_.SetIndexName("index1");
  ASSERT_TRUE(t_.FindKey({I(1), T("B")}));
  EXPECT_FALSE(t_.FindKey({I(1), T("AA")}));
  EXPECT_FALSE(t_.FindKey({I(0), T("B")}));
  EXPECT_EQ(CurrentId(), 1);
  t_.First();
  EXPECT_FALSE(t_.FindKey({I(9), T("A")}));  // beyond the last key
  EXPECT_EQ(CurrentId(), 0);
}

TEST_F(MemTableTest, CloseAndRecreateForgetsEverything) {
  Define();
  Add(1, "A", 1, 0);
  t_.Close();
  EXPECT_FALSE(t_.IsOpen());
  EXPECT_EQ(t_.RecordCount(), 0u);
  Define();
  EXPECT_TRUE(t_.Eof());
  t_.SetIndexName("index1");
  EXPECT_FALSE(t_.FindKey({I(1), T("A")}));
  EXPECT_TRUE(Walk().empty());
  // Opening again after a Close keeps the structure, not the rows.
  Add(2, "B", 1, 1);
  t_.Close();
  t_.Open();
  EXPECT_EQ(t_.RecordCount(), 0u);
  EXPECT_TRUE(t_.Eof());
}

TEST_F(MemTableTest, EditingCounterKeepsPlaceEditingKeyMovesRow) {
  Define();
  Add(1, "A", 1, 0);
  Add(1, "B", 2, 1);
  Add(1, "C", 3, 2);
  t_.SetIndexName("index1");
  ASSERT_TRUE(t_.FindKey({I(1), T("B")}));
  t_.Edit();
  t_.SetField("erroNulo", I(t_.GetFieldValue("erroNulo").IsNull() ? 1 : 0));
  t_.Post();
  EXPECT_EQ(Walk(), (std::vector<int>{0, 1, 2}));
  ASSERT_TRUE(t_.FindKey({I(1), T("A")}));
  t_.Edit();
  t_.SetField("campo", T("D"));
  t_.Post();
  EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 0}));
  EXPECT_FALSE(t_.FindKey({I(1), T("A")}));
  EXPECT_TRUE(t_.FindKey({I(1), T("D")}));
  EXPECT_EQ(t_.GetFieldValue("erroNulo").IsNull(), true);
}

TEST_F(MemTableTest, SearchPostsChangedRowAndDropsUnchangedOne) {
  Define();
  t_.SetIndexName("index1");
  t_.Append();
  t_.SetField("tabela", I(3));
  t_.SetField("campo", T("NOVO"));
  EXPECT_TRUE(t_.FindKey({I(3), T("NOVO")}));  // posted before the search
  t_.Append();                                 // nothing set: dropped
  EXPECT_FALSE(t_.FindKey({FieldValue(), FieldValue()}));
  EXPECT_EQ(t_.RecordCount(), 1u);
}

TEST_F(MemTableTest, ValuesAreConvertedToTheFieldType) {
  Define();
  t_.Append();
  t_.SetField("tabela", FieldValue::Int64(2147483647));
  t_.SetField("peso", I(3));
  t_.SetField("campo", I(-12));
  t_.SetField("ordem", T("42"));
  EXPECT_EQ(t_.GetFieldValue("tabela").int32(), 2147483647);
  EXPECT_EQ(t_.GetFieldValue("peso").kind(), FieldValue::Kind::kDouble);
  EXPECT_EQ(t_.GetFieldValue("peso").dbl(), 3.0);
  EXPECT_EQ(t_.GetFieldValue("campo").text(), "-12");
  EXPECT_EQ(t_.GetFieldValue("ordem").int32(), 42);
  EXPECT_THROW_MSG(t_.SetField("tabela", FieldValue::Int64(2147483648LL)),
                   "Could not convert variant of type (Int64) into type (Integer)");
  EXPECT_THROW_MSG(t_.SetField("ordem", T("4x")),
                   "Could not convert variant of type (String) into type (Integer)");
  EXPECT_THROW_MSG(t_.SetField("peso", T("")),
                   "Could not convert variant of type (String) into type (Double)");
  // A failed conversion leaves the field as it was.
  EXPECT_EQ(t_.GetFieldValue("tabela").int32(), 2147483647);
  t_.Post();
}

TEST_F(MemTableTest, ErrorTexts) {
  Define();
  EXPECT_EQ(t_.FieldIndex("CAMPO"), 1);  // names without regard to case
  EXPECT_EQ(t_.FieldIndex("camp"), -1);
  EXPECT_THROW_MSG(t_.GetFieldValue("nada"), "zelTeste: Field 'nada' not found");
  EXPECT_THROW_MSG(t_.SetIndexName(""); t_.FindKey({I(1)}), "There must be at least one field");
  t_.Close();
  for (auto [name, fields] :
       {std::pair{"", "tabela"}, std::pair{"index1", ""}, std::pair{"index1", " ; "}}) {
    SCOPED_TRACE(std::string(name) + "|" + fields);
    t_.ClearIndexDefs();
    t_.AddIndexDef(name, fields);
    EXPECT_THROW_MSG(t_.CreateTable(), "Missing Name or FieldNames in IndexDef!");
  }
  t_.ClearIndexDefs();
  t_.AddIndexDef("index1", "tabela;semNome");
  EXPECT_THROW_MSG(t_.CreateTable(), "zelTeste: Field 'semNome' not found");
}

TEST_F(MemTableTest, AtMost256FieldDefinitions) {
  t_.ClearIndexDefs();
  t_.ClearFieldDefs();
  for (int i = 0; i < 256; ++i) t_.AddFieldDef("f" + std::to_string(i), FieldType::kInteger);
  t_.CreateTable();
  t_.Close();
  t_.AddFieldDef("f256", FieldType::kInteger);
  EXPECT_THROW(t_.CreateTable(), TableMisuse);
  EXPECT_FALSE(t_.IsOpen());
}

TEST_F(MemTableTest, LoadsManyRowsInAnyOrder) {
  Define();
  constexpr int kRows = 100000;
  std::mt19937 rng(7);
  std::vector<int> keys(kRows);
  for (int i = 0; i < kRows; ++i) keys[static_cast<std::size_t>(i)] = i;
  std::shuffle(keys.begin(), keys.end(), rng);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRows; ++i) {
    t_.Append();
    t_.SetField("tabela", I(keys[static_cast<std::size_t>(i)] % 7));
    t_.SetField("ordem", I(keys[static_cast<std::size_t>(i)]));
    t_.SetField("id", I(i));
    t_.Post();
  }
  t_.SetIndexName("index2");
  t_.First();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  RecordProperty("load_seconds", std::to_string(seconds));
  std::int64_t previous = -1;
  int count = 0;
  for (; !t_.Eof(); t_.Next(), ++count) {
    const std::int64_t key = std::int64_t{t_.GetFieldValue("tabela").int32()} * kRows +
                             t_.GetFieldValue("ordem").int32();
    ASSERT_LT(previous, key);
    previous = key;
  }
  EXPECT_EQ(count, kRows);
}

}  // namespace
}  // namespace tables
