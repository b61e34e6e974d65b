#pragma once
// The fields that lead an analyst from a finding to the record in the system that produced the
// file: APOLICE, ENDOSSO and ITEM, as stored texts of the current record.

#include <array>
#include <string_view>

#include "engine/findings.h"
#include "tables/dbf_table.h"

namespace engine {

class RecordKeyColumns {
 public:
  // Looks the key fields up in the open `table`, whose layout they keep; a field the file lacks
  // reads as empty.
  explicit RecordKeyColumns(const tables::DbfTable& table);

  // The key texts of `table`'s current record (valid until the next move). A field that runs
  // past the end of a short record reads as empty: a finding never fails for want of its key.
  RecordKey Read(const tables::DbfTable& table) const { return Read(table.Record(), table); }
  // The same of `record`, a record of `table`'s file held elsewhere (valid as long as it).
  RecordKey Read(std::string_view record, const tables::DbfTable& table) const;
  // The same of a record known to hold no NUL byte: each text is its stored bytes.
  RecordKey ReadWithoutNul(std::string_view record, const tables::DbfTable& table) const;

 private:
  // Where each key field lies in a record; length 0 for a field the file lacks.
  struct Span {
    std::size_t offset = 0;
    std::size_t length = 0;
  };
  std::array<Span, 3> spans_{};
};

}  // namespace engine
