#include "engine/record_key.h"

#include "tables/dbf_values.h"

namespace engine {
namespace {

constexpr std::array<std::string_view, 3> kKeyFields = {"APOLICE", "ENDOSSO", "ITEM"};

}  // namespace

RecordKeyColumns::RecordKeyColumns(const tables::DbfTable& table) {
  for (std::size_t i = 0; i < kKeyFields.size(); ++i) fields_[i] = table.FieldIndex(kKeyFields[i]);
}

RecordKey RecordKeyColumns::Read(std::string_view record, const tables::DbfTable& table) const {
  std::array<std::string_view, 3> texts;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i] < 0) continue;
    const tables::DbfField& f = table.Fields(fields_[i]);
    if (f.offset + f.length <= record.size()) {
      texts[i] = tables::DbfText(record.substr(f.offset, f.length));
    }
  }
  return {texts[0], texts[1], texts[2], &table};
}

}  // namespace engine
