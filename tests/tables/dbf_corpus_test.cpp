// dBase files written by other programs, checked against what their manifest says the reader
// must report. These catch faults that our own fixtures would share with our own reader.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "tables/dbf_table.h"
#include "tables/table_error.h"

namespace tables {
namespace {

using nlohmann::json;

const std::string kCorpus = std::string(TALMERO_TEST_DATA) + "/dbf-corpus/";

json LoadManifest() {
  std::ifstream in(kCorpus + "MANIFEST.json");
  if (!in) return json::array();
  return json::parse(in);
}

const char* VariantName(DbfVersion v) {
  switch (v) {
    case DbfVersion::kBaseIII:
      return "xBaseIII";
    case DbfVersion::kClipper:
      return "xClipper";
    case DbfVersion::kBaseIV:
      return "xBaseIV";
    case DbfVersion::kBaseVII:
      return "xBaseVII";
    case DbfVersion::kFoxPro:
      return "xFoxPro";
    case DbfVersion::kVisualFoxPro:
      return "xVisualFoxPro";
  }
  return "?";
}

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

// The manifest writes texts as Latin-1 decoded; back to bytes.
std::string Latin1Bytes(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      const auto next = static_cast<unsigned char>(utf8[++i]);
      out += static_cast<char>(((c & 0x1F) << 6) | (next & 0x3F));
    }
  }
  return out;
}

std::uint32_t CountRecords(const std::string& path, bool set_deleted) {
  DbfTable table("tbCorpus", set_deleted);
  table.SetFileName(path);
  table.Open();
  std::uint32_t n = 0;
  for (; !table.Eof(); table.Next()) ++n;
  return n;
}

void ExpectValue(const FieldValue& got, const json& want) {
  if (want.is_null()) {
    EXPECT_TRUE(got.IsNull()) << got.AsString();
  } else if (want.contains("text")) {
    ASSERT_EQ(got.kind(), FieldValue::Kind::kText);
    EXPECT_EQ(got.text(), Latin1Bytes(want["text"].get<std::string>()));
  } else if (want.contains("int")) {
    ASSERT_TRUE(got.kind() == FieldValue::Kind::kInt32 || got.kind() == FieldValue::Kind::kInt64);
    EXPECT_EQ(got.AsInt64(), want["int"].get<std::int64_t>());
  } else if (want.contains("double")) {
    ASSERT_EQ(got.kind(), FieldValue::Kind::kDouble);
    EXPECT_DOUBLE_EQ(got.dbl(), want["double"].get<double>());
  } else if (want.contains("date")) {
    ASSERT_EQ(got.kind(), FieldValue::Kind::kDate);
    EXPECT_EQ(got.AsString(), want["date"].get<std::string>());
  } else if (want.contains("bool")) {
    ASSERT_EQ(got.kind(), FieldValue::Kind::kBool);
    EXPECT_EQ(got.boolean(), want["bool"].get<bool>());
  } else {
    ADD_FAILURE() << "unknown value in the manifest: " << want.dump();
  }
}

void CheckFile(const json& entry) {
  const std::string path = kCorpus + entry["file"].get<std::string>();
  DbfTable table("tbCorpus", false);
  table.SetFileName(path);
  if (entry["open"] != "ok") {
    EXPECT_THROW(table.Open(), TableError) << entry["open"];
    EXPECT_FALSE(table.IsOpen());
    return;
  }
  table.Open();
  EXPECT_EQ(VariantName(table.Version()), entry["variant"].get<std::string>());
  EXPECT_EQ(table.HeaderLength(), entry["header_length"].get<std::uint32_t>());
  EXPECT_EQ(table.RecordLength(), entry["record_length"].get<std::uint32_t>());

  const json& fields = entry["fields"];
  ASSERT_EQ(static_cast<std::size_t>(table.FieldCount()), fields.size());
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const DbfField& f = table.Fields(static_cast<int>(i));
    const json& want = fields[i];
    SCOPED_TRACE(want["name"].get<std::string>());
    EXPECT_EQ(f.name, want["name"].get<std::string>());
    EXPECT_EQ(std::string(1, f.letter), want["letter"].get<std::string>());
    EXPECT_EQ(f.length, want["length"].get<std::size_t>());
    EXPECT_EQ(f.decimals, want["decimals"].get<int>());
    EXPECT_EQ(f.offset, want["offset"].get<std::size_t>());
    if (want["type_code"].is_null()) {
      EXPECT_EQ(f.type, FieldType::kUnknown);
    } else {
      EXPECT_EQ(static_cast<int>(f.type), want["type_code"].get<int>());
      EXPECT_EQ(f.size, want["size"].get<int>());
    }
  }

  table.Close();
  EXPECT_EQ(CountRecords(path, false), entry["records_all"].get<std::uint32_t>());
  EXPECT_EQ(CountRecords(path, true), entry["records_visible"].get<std::uint32_t>());

  DbfTable visible("tbCorpus", true);
  visible.SetFileName(path);
  visible.Open();
  for (const json& record : entry["first_visible_records"]) {
    ASSERT_FALSE(visible.Eof());
    SCOPED_TRACE("record " + std::to_string(visible.RecNo()));
    for (const auto& [name, want] : record.items()) {
      SCOPED_TRACE(name);
      // A name that two fields share is listed once, for the later field.
      int i = visible.FieldCount() - 1;
      while (i >= 0 && visible.Fields(i).name != name) --i;
      ASSERT_GE(i, 0);
      EXPECT_EQ(Hex(visible.RawField(i)), want["raw_hex"].get<std::string>());
      const json& value = want["value"];
      if (value.is_string()) continue;  // "ambiguous" or "unspecified": the rules leave it open
      ExpectValue(visible.Value(i), value);
    }
    visible.Next();
  }
}

TEST(DbfCorpusTest, EveryFileAgreesWithTheManifest) {
  const json manifest = LoadManifest();
  ASSERT_GT(manifest.size(), 30u) << "missing " << kCorpus << "MANIFEST.json";
  for (const json& entry : manifest) {
    SCOPED_TRACE(entry["file"].get<std::string>());
    CheckFile(entry);
  }
}

}  // namespace
}  // namespace tables
