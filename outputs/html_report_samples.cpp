#include "outputs/html_report_samples.h"

#include "engine/text.h"
#include "outputs/finding_message.h"
#include "tables/dbf_table.h"
#include "tables/dbf_values.h"

namespace engine {
namespace {

// The stored text of field `name` in `table`'s current record; empty when the file lacks it.
std::string_view FieldText(const tables::DbfTable& table, std::string_view name) {
  const int index = table.FieldIndex(name);
  if (index < 0) return {};
  const tables::DbfField& f = table.Fields(index);
  const std::string_view record = table.Record();
  if (f.offset + f.length > record.size()) return {};
  return TrimmedRight(tables::DbfText(record.substr(f.offset, f.length)));
}

}  // namespace

RecordSample* HtmlReportSamples::Admit(SampleGroup& group, std::uint32_t record,
                                       const RecordKey& key) {
  ++group.count;
  if (group.rows.size() >= kPerGroup) return nullptr;
  RecordSample& s = group.rows.emplace_back();
  s.record = record;
  s.apolice = TrimmedRight(key.apolice);
  s.endosso = TrimmedRight(key.endosso);
  s.item = TrimmedRight(key.item);
  return &s;
}

SampleGroup& HtmlReportSamples::GroupOf(const FieldFinding& f) {
  constexpr int kCachedPositions = 4096;  // a file with more fields looks the rest up by name
  const auto check = static_cast<std::size_t>(f.check);
  Groups::value_type* none = nullptr;
  Groups::value_type** cached = &none;
  if (f.position >= 1 && f.position <= kCachedPositions && check < kFieldChecks) {
    auto& positions = by_position_[f.file == FindingFile::kRiscos ? 0 : 1];
    const auto p = static_cast<std::size_t>(f.position);
    if (positions.size() <= p) positions.resize(p + 1);
    cached = &positions[p][check];
  }
  if (*cached == nullptr || std::get<1>((*cached)->first) != f.field) {
    Key key(f.file, std::string(f.field), f.check);
    auto it = groups_.find(key);
    if (it == groups_.end()) it = groups_.emplace(std::move(key), SampleGroup()).first;
    *cached = &*it;
  }
  return (*cached)->second;
}

void HtmlReportSamples::FieldFailed(const FieldFinding& f) {
  RecordSample* s = Admit(GroupOf(f), f.record, f.key);
  if (s == nullptr) return;
  s->first = TrimmedRight(f.text);
  AppendFieldMessage(s->second, f);
}

void HtmlReportSamples::ClaimWithoutPolicy(std::uint32_t record, const RecordKey& key,
                                           std::string_view, std::string_view) {
  RecordSample* s = Admit(claims_, record, key);
  if (s != nullptr && key.table != nullptr && key.table->RecNo() == record) {
    s->first = FieldText(*key.table, "D_OCORR");
    s->second = FieldText(*key.table, "D_AVI");
  }
}

void HtmlReportSamples::CoverageInverted(std::uint32_t record, const RecordKey& key,
                                         std::string_view inicio_vig, std::string_view fim_vig) {
  RecordSample* s = Admit(coverages_, record, key);
  if (s == nullptr) return;
  s->first = TrimmedRight(inicio_vig);
  s->second = TrimmedRight(fim_vig);
}

const SampleGroup& HtmlReportSamples::Field(FindingFile file, const std::string& field,
                                            FindingCheck check) const {
  static const SampleGroup kNone;
  const auto it = groups_.find(Key(file, field, check));
  return it == groups_.end() ? kNone : it->second;
}

}  // namespace engine
