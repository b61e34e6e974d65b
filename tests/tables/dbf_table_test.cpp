// The dBase reader over files built with the writer, many of them damaged on purpose.

#include "tables/dbf_table.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/exclusive_file.h"
#include "support/expect_throw_msg.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "tables/dbf_format.h"
#include "tables/table_error.h"
#include "tools/dbf_writer.h"

namespace tables {
namespace {

using namespace std::string_literals;
using tools::DbfBuilder;
using tools::DbfFieldSpec;

using testing_support::ReadBytes;

void SetByte(std::string& bytes, std::size_t at, int value) {
  bytes[at] = static_cast<char>(value);
}

void SetLe16(std::string& bytes, std::size_t at, int value) {
  SetByte(bytes, at, value & 0xFF);
  SetByte(bytes, at + 1, (value >> 8) & 0xFF);
}

class DbfTableTest : public ::testing::Test {
 protected:
  // Writes `bytes` as a file and opens it in a table named tbDados.
  DbfTable& OpenBytes(const std::string& bytes, bool set_deleted = true) {
    tools::WriteFile(path_, bytes);
    table_ = DbfTable("tbDados", set_deleted);
    table_.SetFileName(path_);
    table_.Open();
    return table_;
  }

  // The physical numbers of the records a walk visits.
  static std::vector<std::uint32_t> Walk(DbfTable& t) {
    std::vector<std::uint32_t> out;
    for (t.First(); !t.Eof(); t.Next()) out.push_back(t.RecNo());
    return out;
  }

  testing_support::TempDir dir_;
  std::string path_ = dir_.file("dados.dbf");
  DbfTable table_{"tbDados", true};
};

const std::vector<DbfFieldSpec> kPeople = {
    {"cod_seg", 'C', 5}, {"NOME ", 'C', 6}, {"idade", 'N', 5}, {"valor", 'N', 7, 2},
    {"nasc", 'D', 8},    {"ativo", 'L', 1}, {"obs", 'M', 10}};

TEST_F(DbfTableTest, ReadsHeaderFieldsAndValues) {
  DbfTable& t = OpenBytes(DbfBuilder(kPeople)
                              .Add({"00123", "AB", "12", "12.50", "20240229", "T", "7"})
                              .AddRaw("00456CD    12     12,50        ?          ")
                              .Bytes());
  EXPECT_EQ(t.Version(), DbfVersion::kBaseIII);
  EXPECT_EQ(t.HeaderLength(), 32u + 7 * 32 + 1);
  EXPECT_EQ(t.RecordLength(), 1u + 5 + 6 + 5 + 7 + 8 + 1 + 10);
  ASSERT_EQ(t.FieldCount(), 7);
  const std::size_t offsets[] = {1, 6, 12, 17, 24, 32, 33};
  for (int i = 0; i < t.FieldCount(); ++i) {
    EXPECT_EQ(t.Fields(i).offset, offsets[i]) << i;
  }
  EXPECT_EQ(t.Fields(1).name, "NOME");  // trailing blank removed
  EXPECT_EQ(t.FieldByName("cod_seg").name, "COD_SEG");
  EXPECT_EQ(&t.FieldByName("Cod_Seg"), &t.Fields(0));

  ASSERT_FALSE(t.Eof());
  EXPECT_EQ(t.RecNo(), 1u);
  EXPECT_EQ(t.GetFieldValue("COD_SEG").text(), "00123");
  EXPECT_EQ(t.Value(1).text(), "AB    ");
  EXPECT_EQ(t.Value(2).int32(), 12);
  EXPECT_EQ(t.Value(3).dbl(), 12.5);
  EXPECT_EQ(t.Value(4).date(), (Date{2024, 2, 29}));
  EXPECT_TRUE(t.Value(5).boolean());
  EXPECT_EQ(t.RawField(6), "7         ");
  EXPECT_EQ(t.Record().substr(0, 6), " 00123");

  t.Next();
  ASSERT_FALSE(t.Eof());
  EXPECT_EQ(t.RawField(2), "12   ");
  EXPECT_TRUE(t.Value(2).IsNull());  // 12 followed by blanks
  EXPECT_TRUE(t.Value(3).IsNull());  // comma decimal mark
  EXPECT_TRUE(t.Value(4).IsNull());  // blank date
  EXPECT_TRUE(t.Value(5).IsNull());
  t.Next();
  EXPECT_TRUE(t.Eof());
}

TEST_F(DbfTableTest, TypeCodesAndSizes) {
  const struct {
    DbfFieldSpec spec;
    FieldType type;
    int size;
  } rows[] = {
      {{"A", 'C', 20}, FieldType::kString, 20},  {{"B", 'C', 8}, FieldType::kString, 8},
      {{"C", 'N', 1}, FieldType::kInteger, 0},   {{"D", 'N', 9}, FieldType::kInteger, 0},
      {{"E", 'N', 10}, FieldType::kLargeint, 0}, {{"F", 'N', 15}, FieldType::kLargeint, 0},
      {{"G", 'N', 3, 1}, FieldType::kFloat, 0},  {{"H", 'N', 16, 4}, FieldType::kFloat, 0},
      {{"I", 'F', 9}, FieldType::kInteger, 0},   {{"J", 'F', 12, 2}, FieldType::kFloat, 0},
      {{"K", 'D', 8}, FieldType::kDate, 0},      {{"L", 'L', 1}, FieldType::kBoolean, 0},
      {{"M", 'M', 10}, FieldType::kMemo, 0},     {{"N", 'C', 300}, FieldType::kString, 300},
      {{"O", 'I', 4}, FieldType::kUnknown, 0},
  };
  std::vector<DbfFieldSpec> specs;
  for (const auto& r : rows) specs.push_back(r.spec);
  DbfTable& t = OpenBytes(DbfBuilder(specs).Bytes());
  ASSERT_EQ(t.FieldCount(), static_cast<int>(std::size(rows)));
  for (int i = 0; i < t.FieldCount(); ++i) {
    SCOPED_TRACE(t.Fields(i).name);
    EXPECT_EQ(t.Fields(i).type, rows[i].type);
    EXPECT_EQ(t.Fields(i).size, rows[i].size);
  }
  EXPECT_EQ(t.Fields(13).length, 300u);
  EXPECT_EQ(t.Fields(13).decimals, 0);
}

TEST_F(DbfTableTest, CharacterLengthTakesTheDecimalByteAsHighByte) {
  // C field of 16 + 4 * 256 bytes, the high byte in the decimal count.
  std::string bytes = DbfBuilder({{"LONGO", 'C', 1040}, {"N", 'N', 3}}).Add({"start", "7"}).Bytes();
  EXPECT_EQ(static_cast<unsigned char>(bytes[32 + 16]), 16);
  EXPECT_EQ(static_cast<unsigned char>(bytes[32 + 17]), 4);
  DbfTable& t = OpenBytes(bytes);
  EXPECT_EQ(t.Fields(0).length, 1040u);
  EXPECT_EQ(t.Fields(0).size, 1040);
  EXPECT_EQ(t.Fields(1).offset, 1041u);
  EXPECT_EQ(t.Value(0).text(), "start" + std::string(1035, ' '));
  EXPECT_EQ(t.Value(1).int32(), 7);
}

TEST_F(DbfTableTest, DeletedRecordsHiddenOrShownAsConfigured) {
  DbfBuilder b({{"K", 'N', 3}});
  b.Add({"1"}, true).Add({"2"}).Add({"3"}, true).Add({"4"}, true).Add({"5"}).Add({"6"}, true);
  DbfTable& hidden = OpenBytes(b.Bytes(), true);
  EXPECT_EQ(Walk(hidden), (std::vector<std::uint32_t>{2, 5}));
  for (hidden.First(); !hidden.Eof(); hidden.Next()) EXPECT_FALSE(hidden.IsDeleted());
  hidden.Close();

  DbfTable& all = OpenBytes(b.Bytes(), false);
  EXPECT_EQ(Walk(all), (std::vector<std::uint32_t>{1, 2, 3, 4, 5, 6}));
  all.First();
  EXPECT_TRUE(all.IsDeleted());
  EXPECT_EQ(all.Value(0).int32(), 1);
}

TEST_F(DbfTableTest, HeaderOnlyFileIsEmpty) {
  for (bool marker : {true, false}) {
    SCOPED_TRACE(marker);
    DbfTable& t = OpenBytes(DbfBuilder(kPeople).EndMarker(marker).Bytes());
    EXPECT_TRUE(t.IsOpen());
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.RecNo(), 0u);
    t.Close();
  }
}

TEST_F(DbfTableTest, FileLengthDecidesNotTheHeaderCount) {
  DbfBuilder b({{"K", 'N', 3}});
  for (int i = 1; i <= 5; ++i) b.Add({std::to_string(i)});
  for (std::uint32_t lie : {0u, 2u, 1000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(lie);
    DbfTable& t = OpenBytes(DbfBuilder(b).HeaderRecordCount(lie).Bytes());
    EXPECT_EQ(Walk(t).size(), 5u);
    t.Close();
  }
}

TEST_F(DbfTableTest, HeaderCountIsCheckedAgainstTheFileLength) {
  const std::string clean = DbfBuilder({{"K", 'C', 4}}).Add({"AAAA"}).Add({"BBBB"}).Bytes();
  const std::string no_marker = clean.substr(0, clean.size() - 1);
  std::string past_end = clean;
  SetLe16(past_end, 8, 60000);
  std::string inside = clean;  // one byte short: the end mark of the descriptors is read as data
  SetLe16(inside, 8, 64);
  // Records wider than the stray bytes, so that they never make a whole record.
  const std::string wide = DbfBuilder({{"K", 'C', 120}}).Add({"A"}).Add({"B"}).Bytes();
  const struct {
    const char* what;
    std::string bytes;
    std::uint32_t announced;
    std::uint64_t held;
    bool past_end;
    std::uint64_t trailing;
    bool inside, mismatch;
  } cases[] = {
      {"with the end byte", clean, 2, 2, false, 0, false, false},
      {"without the end byte", no_marker, 2, 2, false, 0, false, false},
      {"header announces 4 billion",
       DbfBuilder({{"K", 'C', 4}}).Add({"A"}).HeaderRecordCount(4000000000u).Bytes(), 4000000000u,
       1, false, 0, false, true},
      {"last record cut short", no_marker.substr(0, no_marker.size() - 2), 2, 1, false, 3, false,
       true},
      {"a stray byte instead of the end byte", no_marker + "X", 2, 2, false, 1, false, true},
      {"two end bytes", clean + "\x1A", 2, 2, false, 1, false, true},
      {"100 bytes where the end byte should be",
       wide.substr(0, wide.size() - 1) + std::string(100, 'X'), 2, 2, false, 100, false, true},
      {"17 bytes after the end byte", wide + std::string(17, 'X'), 2, 2, false, 17, false, true},
      {"header length past the end", past_end, 2, 0, true, 0, false, true},
      {"header length inside the descriptors", inside, 2, 2, false, 2, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DbfTable& t = OpenBytes(c.bytes);
    const RecordCountCheck check = t.HeaderCheck();
    EXPECT_EQ(check.announced, c.announced);
    EXPECT_EQ(check.held, c.held);
    EXPECT_EQ(check.header_past_end, c.past_end);
    EXPECT_EQ(check.trailing_bytes, c.trailing);
    EXPECT_EQ(check.HeaderInsideDescriptors(), c.inside);
    EXPECT_EQ(check.Mismatch(), c.mismatch);
    EXPECT_EQ(Walk(t).size(), c.held) << "the reading rules stay as they were";
    t.Close();
  }
}

#ifdef __linux__
// Threads of this process, from the system's own count.
int ThreadCount() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
  }
  return -1;
}

TEST_F(DbfTableTest, ReadAheadThreadOnlyForFilesOfMoreThanOneBlock) {
  // The thread sanitizer starts a thread of its own with the first thread made: make it first.
  std::thread([] {}).join();
  const int before = ThreadCount();
  // Records of 1000 bytes: `full` of them fill one block, twice as many and some need three.
  const int full = static_cast<int>(dbf::kReadBlockBytes / 1000);
  for (const int records : {1, full, 2 * full + 38}) {
    SCOPED_TRACE(records);
    DbfBuilder b({{"PAD", 'C', 999}});
    for (int i = 0; i < records; ++i) b.Add({"x"});
    DbfTable& t = OpenBytes(b.Bytes());
    EXPECT_EQ(ThreadCount(), before + (records > full ? 1 : 0));
    t.Close();
    EXPECT_EQ(ThreadCount(), before);
  }
}
#endif

TEST_F(DbfTableTest, PartialTrailingRecordIsNotARecord) {
  const std::vector<DbfFieldSpec> fields = {{"K", 'C', 4}};
  std::string bytes = DbfBuilder(fields).Add({"AAAA"}).Add({"BBBB"}).EndMarker(false).Bytes();
  for (std::size_t cut = 0; cut <= 4; ++cut) {
    SCOPED_TRACE(cut);
    // Cutting 0 leaves two records, 1..4 bytes off leaves one whole record, the end byte
    // included when it follows the partial one.
    DbfTable& t = OpenBytes(bytes.substr(0, bytes.size() - cut) + (cut > 1 ? "\x1A" : ""));
    EXPECT_EQ(Walk(t).size(), cut == 0 ? 2u : 1u);
    t.Close();
  }
}

TEST_F(DbfTableTest, WalksAcrossBlockBoundaries) {
  // 1000-byte records: a block holds 262, so the walk crosses several, with deleted runs that
  // end blocks, start blocks and fill a whole block.
  const std::vector<DbfFieldSpec> fields = {{"N", 'N', 9}, {"PAD", 'C', 990}};
  std::string path_big = dir_.file("big.dbf");
  std::vector<std::uint32_t> visible;
  {
    tools::DbfFileWriter w(path_big, fields);
    for (std::uint32_t n = 1; n <= 1000; ++n) {
      const bool deleted = n % 7 == 0 || (n >= 255 && n <= 270) || (n >= 500 && n <= 800);
      w.Add({std::to_string(n), "x"}, deleted);
      if (!deleted) visible.push_back(n);
    }
  }
  DbfTable t("tbDados", true);
  t.SetFileName(path_big);
  t.Open();
  std::vector<std::uint32_t> seen;
  for (; !t.Eof(); t.Next()) {
    ASSERT_EQ(t.Value(0).int32(), static_cast<std::int32_t>(t.RecNo()));
    seen.push_back(t.RecNo());
  }
  EXPECT_EQ(seen, visible);

  std::uint32_t scanned = 0;
  t.ScanAll([&](std::uint32_t recno, std::string_view record) {
    EXPECT_EQ(recno, ++scanned);
    EXPECT_EQ(record.size(), 1000u);
  });
  EXPECT_EQ(scanned, 1000u);
  EXPECT_TRUE(t.Eof());  // ScanAll leaves the position alone

  EXPECT_TRUE(t.IsRecordVisible(1));
  EXPECT_FALSE(t.IsRecordVisible(7));
  EXPECT_FALSE(t.IsRecordVisible(0));
  EXPECT_FALSE(t.IsRecordVisible(1001));
  t.GoTo(499);
  EXPECT_EQ(t.Value(0).int32(), 499);
  t.Next();
  EXPECT_EQ(t.RecNo(), 801u);
  t.GoTo(2);
  EXPECT_EQ(t.RecNo(), 2u);
  t.GoTo(1001);
  EXPECT_TRUE(t.Eof());
  // Visits in ascending order, as findings are told from a set of record numbers: each lands on
  // its record, read alone or, records close together, with the block after it (the last one cut
  // by the end of the file), and Next() goes on from there, hidden records skipped.
  for (std::uint32_t n = 3; n <= 1000; n += n < 500 ? 3 : 41) {
    t.GoTo(n);
    ASSERT_EQ(t.Value(0).int32(), static_cast<std::int32_t>(n));
  }
  t.GoTo(992);
  t.Next();
  t.Next();
  EXPECT_EQ(t.RecNo(), 995u);
  t.GoTo(1000);
  t.Next();
  EXPECT_TRUE(t.Eof());

  // The same visits with the records read ahead on another thread, in batches and in spans of
  // close records: each on its record (a number past the file at Eof), Eof after the last, and
  // a visit that throws ends them all.
  std::vector<std::uint32_t> wanted;
  for (std::uint32_t n = 1; n <= 1000; n += n % 50 == 0 ? 20U : 1U) wanted.push_back(n);
  wanted.push_back(1005);
  const auto each = [&](const std::function<void(std::uint32_t)>& take) {
    for (const std::uint32_t n : wanted) take(n);
  };
  std::vector<std::uint32_t> visited;
  t.VisitInOrder(each, [&](std::uint32_t recno) {
    visited.push_back(recno);
    if (recno <= 1000) {
      ASSERT_EQ(t.Value(0).int32(), static_cast<std::int32_t>(recno));
    } else {
      EXPECT_TRUE(t.Eof());
    }
  });
  EXPECT_EQ(visited, wanted);
  EXPECT_TRUE(t.Eof());
  int calls = 0;
  EXPECT_THROW(t.VisitInOrder(each,
                              [&](std::uint32_t) {
                                if (++calls == 300) throw std::runtime_error("stop");
                              }),
               std::runtime_error);
  EXPECT_EQ(calls, 300);
  EXPECT_TRUE(t.Eof());
}

TEST_F(DbfTableTest, EveryVersionByteOfTheList) {
  const struct {
    int byte;
    DbfVersion version;
  } rows[] = {{0x03, DbfVersion::kBaseIII},     {0x83, DbfVersion::kBaseIII},
              {0x07, DbfVersion::kClipper},     {0x7B, DbfVersion::kBaseIV},
              {0x8B, DbfVersion::kBaseIV},      {0x8E, DbfVersion::kBaseIV},
              {0xF5, DbfVersion::kFoxPro},      {0x30, DbfVersion::kVisualFoxPro},
              {0x31, DbfVersion::kVisualFoxPro}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.byte);
    DbfTable& t = OpenBytes(
        DbfBuilder({{"K", 'C', 2}}).Version(static_cast<std::uint8_t>(r.byte)).Add({"ok"}).Bytes());
    EXPECT_EQ(t.Version(), r.version);
    EXPECT_EQ(t.Value(0).text(), "ok");
    t.Close();
  }
  for (int other : {0x00, 0x02, 0x05, 0x43, 0xFB, 0xFF}) {
    SCOPED_TRACE(other);
    tools::WriteFile(path_,
                     DbfBuilder({{"K", 'C', 2}}).Version(static_cast<std::uint8_t>(other)).Bytes());
    DbfTable t("tbDados", true);
    t.SetFileName(path_);
    EXPECT_THROW_MSG(t.Open(),
                     "TMarlSmartDBF.InternalOpen: File \"" + path_ + "\" is not DBF file");
    EXPECT_FALSE(t.IsOpen());
  }
}

// A dBase VII header: 68 bytes, 48-byte descriptors with 32-byte names.
std::string BaseVIIFile() {
  std::string h(68, '\0');
  SetByte(h, 0, 0x04);
  const struct {
    const char* name;
    char letter;
    int length, decimals;
  } fields[] = {{"a_rather_long_field_name", 'C', 4, 0}, {"num", 'N', 6, 2}};
  for (const auto& f : fields) {
    std::string d(48, '\0');
    std::copy(f.name, f.name + std::char_traits<char>::length(f.name), d.begin());
    SetByte(d, 32, f.letter);
    SetByte(d, 33, f.length);
    SetByte(d, 34, f.decimals);
    h += d;
  }
  h += '\x0D';
  SetLe16(h, 8, static_cast<int>(h.size()));
  SetLe16(h, 10, 11);
  return h + " abcd  1.25" + "*wxyz  2.50" + "\x1A";
}

TEST_F(DbfTableTest, BaseVIIDescriptors) {
  DbfTable& t = OpenBytes(BaseVIIFile(), false);
  EXPECT_EQ(t.Version(), DbfVersion::kBaseVII);
  ASSERT_EQ(t.FieldCount(), 2);
  EXPECT_EQ(t.Fields(0).name, "A_RATHER_LONG_FIELD_NAME");
  EXPECT_EQ(t.Fields(1).type, FieldType::kFloat);
  EXPECT_EQ(t.Value(0).text(), "abcd");
  EXPECT_EQ(t.Value(1).dbl(), 1.25);
  t.Next();
  EXPECT_EQ(t.Value(1).dbl(), 2.5);
  t.Next();
  EXPECT_TRUE(t.Eof());
}

TEST_F(DbfTableTest, RecordLongerThanTheBufferFails) {
  DbfTable& fits = OpenBytes(DbfBuilder({{"K", 'C', 4095}}).Add({"x"}).Bytes());
  EXPECT_EQ(fits.RecordLength(), 4096u);
  EXPECT_EQ(fits.Value(0).text().size(), 4095u);
  fits.Close();
  tools::WriteFile(path_, DbfBuilder({{"K", 'C', 4096}}).Add({"x"}).Bytes());
  DbfTable t("tbDados", true);
  t.SetFileName(path_);
  EXPECT_THROW_MSG(t.Open(), "TMarlSmartDBF.InternalOpen: BufferSize too small!");
  EXPECT_FALSE(t.IsOpen());
}

TEST_F(DbfTableTest, OpenErrors) {
  DbfTable t("tbDados", true);
  const std::string missing = dir_.file("nada.dbf");
  t.SetFileName(missing);
  EXPECT_THROW_MSG(t.Open(), "TMarlSmartDBF.InternalOpen: Open error \"" + missing + "\"");
  t.SetFileName(dir_.folder());
  EXPECT_THROW_MSG(t.Open(), "TMarlSmartDBF.InternalOpen: Open error \"" + dir_.folder() + "\"");
  t.SetFileName("");
  EXPECT_THROW_MSG(t.Open(), "TMarlSmartDBF.InternalOpen: Open error \"\"");
  tools::WriteFile(path_, "");
  t.SetFileName(path_);
  EXPECT_THROW_MSG(t.Open(), "TMarlSmartDBF.InternalOpen: File \"" + path_ + "\" is not DBF file");
  EXPECT_FALSE(t.IsOpen());
}

#ifndef _WIN32
TEST_F(DbfTableTest, FifoIsRefusedAtOnce) {
  // Nobody writes to the FIFO: a blocking open would wait forever.
  const std::string fifo = dir_.file("riscos.dbf");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  DbfTable t("tbDados", true);
  t.SetFileName(fifo);
  EXPECT_THROW_MSG(t.Open(), "TMarlSmartDBF.InternalOpen: Open error \"" + fifo + "\"");
  EXPECT_FALSE(t.IsOpen());
}
#endif

TEST_F(DbfTableTest, SecondOpenOfAnOpenFileSharesAndAWriterMakesItFail) {
  const std::string bytes = DbfBuilder(kPeople).Add({"1"}).Bytes();
  DbfTable& first = OpenBytes(bytes);
  DbfTable second("tbRiscos", true);
  second.SetFileName(path_);
  second.Open();
  EXPECT_TRUE(second.IsOpen()) << "two readers share the file";
  first.Close();
  second.Close();

  // Another program writing the file (its lock taken) refuses the open, with the reason.
  auto writer = platform::ExclusiveFile::CreateReadWrite(path_);
  ASSERT_TRUE(writer);
  ASSERT_TRUE(writer->WriteAt(0, bytes.data(), bytes.size()));
  EXPECT_THROW_MSG(second.Open(), "TMarlSmartDBF.InternalOpen: Open error \"" + path_ +
                                      "\" (in use by another program)");
  writer->Close();
  second.Open();
  EXPECT_TRUE(second.IsOpen());
}

TEST_F(DbfTableTest, FieldLookupErrors) {
  DbfTable& t = OpenBytes(DbfBuilder(kPeople).Add({"1"}).Bytes());
  EXPECT_THROW_MSG(t.FieldByName("Cod_Sgx"), "tbDados: Field 'Cod_Sgx' not found");
  EXPECT_THROW_MSG(t.GetFieldValue("PRE_CASCO"), "tbDados: Field 'PRE_CASCO' not found");
  EXPECT_EQ(t.FieldIndex("nada"), -1);
  EXPECT_THROW_MSG(t.Fields(7), "List index out of bounds (7)");
  EXPECT_THROW_MSG(t.Fields(-1), "List index out of bounds (-1)");
  EXPECT_THROW_MSG(t.Value(7), "List index out of bounds (7)");
  EXPECT_THROW_MSG(t.RawField(-1), "List index out of bounds (-1)");
  t.Next();
  ASSERT_TRUE(t.Eof());
  EXPECT_THROW_MSG(t.Value(0), "tbDados: No current record");
  t.Close();
  EXPECT_EQ(t.FieldCount(), 0);
  EXPECT_THROW_MSG(t.FieldByName("COD_SEG"), "tbDados: Field 'COD_SEG' not found");
}

TEST_F(DbfTableTest, HostileHeaders) {
  const std::string good = DbfBuilder({{"A", 'C', 3}, {"B", 'N', 4}}).Add({"abc", "12"}).Bytes();
  const std::string prefix = "TMarlSmartDBF.InternalOpen: ";
  {
    SCOPED_TRACE("header length beyond the file");
    std::string bytes = good;
    SetLe16(bytes, 8, 0xFFFF);
    DbfTable& t = OpenBytes(bytes);
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.FieldCount(), 2);
    t.Close();
  }
  {
    SCOPED_TRACE("record length shorter than the fields");
    std::string bytes = good;
    SetLe16(bytes, 10, 5);  // flag + A + one byte of B
    DbfTable& t = OpenBytes(bytes);
    EXPECT_EQ(t.RawField(0), "abc");
    EXPECT_THROW_MSG(t.RawField(1),
                     "Field 'B' runs past the end of the record in \"" + path_ + "\"");
    EXPECT_THROW_MSG(t.Value(1), "Field 'B' runs past the end of the record in \"" + path_ + "\"");
    t.Close();
  }
  const struct {
    const char* what;
    std::string bytes;
  } failing[] = {
      {"record length 0",
       [&] {
         std::string b = good;
         SetLe16(b, 10, 0);
         return b;
       }()},
      {"no terminator", good.substr(0, 32 + 2 * 32)},
      {"terminator overwritten",
       [&] {
         std::string b = good.substr(0, 32 + 2 * 32 + 1);
         SetByte(b, 96, 'X');
         return b;
       }()},
      {"half a descriptor", good.substr(0, 32 + 32 + 20)},
      {"truncated header", good.substr(0, 20)},
      {"truncated dBase VII header", BaseVIIFile().substr(0, 50)},
  };
  for (const auto& f : failing) {
    SCOPED_TRACE(f.what);
    tools::WriteFile(path_, f.bytes);
    DbfTable t("tbDados", true);
    t.SetFileName(path_);
    try {
      t.Open();
      ADD_FAILURE() << "opened";
    } catch (const TableError& e) {
      const std::string text = e.what();
      EXPECT_EQ(text.substr(0, prefix.size()), prefix);
      EXPECT_NE(text.find('"' + path_ + '"'), std::string::npos) << text;
    }
    EXPECT_FALSE(t.IsOpen());
    // The failed open released the file.
    t.SetFileName(dir_.file("other.dbf"));
    tools::WriteFile(dir_.file("other.dbf"), good);
    t.Open();
    t.Close();
  }
}

TEST_F(DbfTableTest, DescriptorsMayRunPastTheHeaderLength) {
  // The terminator's position is not checked against the header length: the second descriptor
  // and the 0x0D lie in what the header calls the records.
  std::string bytes = DbfBuilder({{"A", 'C', 2}, {"B", 'C', 2}}).Add({"xy", "zw"}).Bytes();
  SetLe16(bytes, 8, 64);
  DbfTable& t = OpenBytes(bytes, false);
  EXPECT_EQ(t.FieldCount(), 2);
  EXPECT_FALSE(t.Eof());  // the records start at 64, inside the descriptors
}

TEST_F(DbfTableTest, ReopensOnOtherFilesAndNeverWrites) {
  const std::string a = dir_.file("a.dbf"), b = dir_.file("b.dbf");
  DbfBuilder({{"X", 'C', 1}}).Add({"1"}).Write(a);
  DbfBuilder({{"Y", 'N', 2}, {"Z", 'L', 1}}).Add({"7", "F"}).Add({"8", "T"}).Write(b);
  const std::string a_bytes = ReadBytes(a);
  const auto a_time = std::filesystem::last_write_time(a);

  DbfTable t("tbDados", true);
  t.SetFileName(a);
  t.Open();
  t.SetFileName(b);  // ignored while open
  EXPECT_EQ(t.FileName(), a);
  t.Open();  // no effect
  EXPECT_EQ(t.Fields(0).name, "X");
  for (; !t.Eof(); t.Next()) t.Value(0);
  t.Close();
  t.Close();
  EXPECT_EQ(ReadBytes(a), a_bytes);
  EXPECT_EQ(std::filesystem::last_write_time(a), a_time);

  t.SetFileName(b);
  t.Open();
  EXPECT_EQ(t.FieldCount(), 2);
  EXPECT_EQ(Walk(t), (std::vector<std::uint32_t>{1, 2}));

  DbfTable moved(std::move(t));
  moved.First();
  EXPECT_EQ(moved.Value(0).int32(), 7);
  moved.Next();
  EXPECT_TRUE(moved.Value(1).boolean());
}

}  // namespace
}  // namespace tables
