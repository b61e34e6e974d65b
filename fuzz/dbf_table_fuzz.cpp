// Any bytes as a dBase file: opening, walking and reading every field must end in values or a
// TableError, never a crash, a hang or a read outside the buffers. The table reads the bytes
// from memory, so nothing touches the disk.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exclusive_file.h"
#include "tables/dbf_table.h"
#include "tables/table_error.h"

namespace {

// Values are read in one of the two passes only: hiding deleted records changes which records
// are walked, not what a field reads.
void Exercise(std::string_view bytes, bool set_deleted, bool read_values) {
  tables::DbfTable table("tbFuzz", set_deleted);
  table.SetFileName("fuzz.dbf");
  try {
    table.Open(platform::ExclusiveFile::InMemory(bytes));
  } catch (const tables::TableError&) {
    return;
  }
  const int fields = table.FieldCount();
  // Fields that run past the record's end throw on every read; they are found once here, so
  // the walk below never throws.
  std::vector<int> readable;
  for (int i = 0; i < fields; ++i) {
    const tables::DbfField& f = table.Fields(i);
    if (table.FieldIndex(f.name) < 0) __builtin_trap();
    if (read_values && f.offset + f.length <= table.RecordLength()) readable.push_back(i);
  }
  const tables::RecordCountCheck check = table.HeaderCheck();
  std::size_t sum = check.Mismatch() ? 1 : 0;
  std::uint64_t walked = 0;
  for (; !table.Eof(); table.Next()) {
    ++walked;
    sum += table.Record().size() + table.RecNo();
    for (int i : readable) {
      sum += table.RawField(i).size();
      const tables::FieldValue v = table.Value(i);
      if (!v.IsNull()) sum += v.AsString(',').size();
    }
  }
  std::uint32_t last = 0;
  table.ScanAll([&](std::uint32_t recno, std::string_view record) {
    last = recno;
    sum += record.size();
  });
  // Every record the file holds is scanned, and the walk sees no more than that.
  if (last != check.held || walked > check.held) __builtin_trap();
  for (std::uint32_t recno : {0u, 1u, last, last + 1}) {
    sum += table.IsRecordVisible(recno) ? 1 : 0;
    table.GoTo(recno);
    if (!table.Eof()) table.Next();
  }
  table.Close();
  if (sum == 1) std::fputc(' ', stderr);  // keeps the reads observable
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Exercise(bytes, /*set_deleted=*/true, /*read_values=*/false);
  Exercise(bytes, /*set_deleted=*/false, /*read_values=*/true);
  return 0;
}
