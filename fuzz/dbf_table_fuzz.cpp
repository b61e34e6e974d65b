// Any bytes as a dBase file: opening, walking and reading every field must end in values or a
// TableError, never a crash, a hang or a read outside the buffers.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "tables/dbf_table.h"
#include "tables/table_error.h"

namespace {

const std::string& InputPath() {
  static const std::string path = "/tmp/talmero-dbf-fuzz-" + std::to_string(::getpid()) + ".dbf";
  return path;
}

bool WriteInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(InputPath().c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

void Exercise(bool set_deleted) {
  tables::DbfTable table("tbFuzz", set_deleted);
  table.SetFileName(InputPath());
  try {
    table.Open();
  } catch (const tables::TableError&) {
    return;
  }
  const int fields = table.FieldCount();
  for (int i = 0; i < fields; ++i) {
    if (table.FieldIndex(table.Fields(i).name) < 0) __builtin_trap();
  }
  std::size_t sum = 0;
  for (; !table.Eof(); table.Next()) {
    sum += table.Record().size() + table.RecNo();
    for (int i = 0; i < fields; ++i) {
      try {
        sum += table.RawField(i).size();
        const tables::FieldValue v = table.Value(i);
        if (!v.IsNull()) sum += v.AsString(',').size();
      } catch (const tables::TableError&) {
      }
    }
  }
  std::uint32_t last = 0;
  table.ScanAll([&](std::uint32_t recno, std::string_view record) {
    last = recno;
    sum += record.size();
  });
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
  if (!WriteInput(data, size)) return 0;
  Exercise(true);
  Exercise(false);
  return 0;
}
