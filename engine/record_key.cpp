#include "engine/record_key.h"

#include "tables/dbf_values.h"

namespace engine {
namespace {

constexpr std::array<std::string_view, 3> kKeyFields = {"APOLICE", "ENDOSSO", "ITEM"};

}  // namespace

RecordKeyColumns::RecordKeyColumns(const tables::DbfTable& table) {
  for (std::size_t i = 0; i < kKeyFields.size(); ++i) {
    const int index = table.FieldIndex(kKeyFields[i]);
    if (index < 0) continue;
    const tables::DbfField& f = table.Fields(index);
    spans_[i] = {f.offset, f.length};
  }
}

RecordKey RecordKeyColumns::Read(std::string_view record, const tables::DbfTable& table) const {
  std::array<std::string_view, 3> texts;
  for (std::size_t i = 0; i < spans_.size(); ++i) {
    const Span& s = spans_[i];
    if (s.length > 0 && s.offset + s.length <= record.size()) {
      texts[i] = tables::DbfText(record.substr(s.offset, s.length));
    }
  }
  return {texts[0], texts[1], texts[2], &table};
}

RecordKey RecordKeyColumns::ReadWithoutNul(std::string_view record,
                                           const tables::DbfTable& table) const {
  std::array<std::string_view, 3> texts;
  for (std::size_t i = 0; i < spans_.size(); ++i) {
    const Span& s = spans_[i];
    if (s.offset + s.length <= record.size()) texts[i] = record.substr(s.offset, s.length);
  }
  return {texts[0], texts[1], texts[2], &table};
}

}  // namespace engine
