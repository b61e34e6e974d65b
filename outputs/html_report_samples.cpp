#include "outputs/html_report_samples.h"

#include "engine/text.h"
#include "outputs/finding_message.h"
#include "tables/dbf_table.h"
#include "tables/dbf_values.h"

namespace outputs {
namespace {

// The stored text of field `name` in `table`'s current record; empty when the file lacks it.
std::string_view FieldText(const tables::DbfTable& table, std::string_view name) {
  const int index = table.FieldIndex(name);
  if (index < 0) return {};
  const tables::DbfField& f = table.Fields(index);
  const std::string_view record = table.Record();
  if (f.offset + f.length > record.size()) return {};
  return engine::TrimmedRight(tables::DbfText(record.substr(f.offset, f.length)));
}

}  // namespace

RecordSample* HtmlReportSamples::Admit(SampleGroup& group, std::uint32_t record) {
  ++group.count;
  if (group.rows.size() >= kPerGroup) return nullptr;
  RecordSample& s = group.rows.emplace_back();
  s.record = record;
  return &s;
}

void HtmlReportSamples::SetKey(RecordSample& s, const engine::RecordKey& key) {
  s.apolice = engine::TrimmedRight(key.apolice);
  s.endosso = engine::TrimmedRight(key.endosso);
  s.item = engine::TrimmedRight(key.item);
}

SampleGroup& HtmlReportSamples::Group(engine::FindingFile file, std::string_view field,
                                      engine::FindingCheck check) {
  Key key(file, std::string(field), check);
  auto it = groups_.find(key);
  if (it == groups_.end()) it = groups_.emplace(std::move(key), SampleGroup()).first;
  return it->second;
}

void HtmlReportSamples::FieldFailed(const engine::FieldFinding& f) {
  Add(Group(f.file, f.field, f.check), f);
}

void HtmlReportSamples::AddSample(SampleGroup& group, const engine::FieldFinding& f) {
  ++group.count;
  group.rows.push_back(Row(f));
}

RecordSample HtmlReportSamples::Row(const engine::FieldFinding& f) {
  RecordSample s;
  s.record = f.record;
  SetKey(s, f.Key());
  s.first = engine::TrimmedRight(f.text);
  AppendFieldMessage(s.second, f);
  return s;
}

void HtmlReportSamples::AddCounted(SampleGroup& group, std::int64_t count,
                                   std::vector<RecordSample>& rows) {
  group.count += count;
  for (RecordSample& row : rows) {
    if (group.rows.size() >= kPerGroup) break;
    group.rows.push_back(std::move(row));
  }
}

void HtmlReportSamples::ClaimWithoutPolicy(std::uint32_t record, const engine::RecordKey& key,
                                           std::string_view, std::string_view) {
  RecordSample* s = Admit(claims_, record);
  if (s == nullptr) return;
  SetKey(*s, key);
  if (key.table != nullptr && key.table->RecNo() == record) {
    s->first = FieldText(*key.table, "D_OCORR");
    s->second = FieldText(*key.table, "D_AVI");
  }
}

void HtmlReportSamples::CoverageInverted(std::uint32_t record, const engine::RecordKey& key,
                                         std::string_view inicio_vig, std::string_view fim_vig) {
  RecordSample* s = Admit(coverages_, record);
  if (s == nullptr) return;
  SetKey(*s, key);
  s->first = engine::TrimmedRight(inicio_vig);
  s->second = engine::TrimmedRight(fim_vig);
}

const SampleGroup& HtmlReportSamples::Field(engine::FindingFile file, const std::string& field,
                                            engine::FindingCheck check) const {
  static const SampleGroup kNone;
  const auto it = groups_.find(Key(file, field, check));
  return it == groups_.end() ? kNone : it->second;
}

}  // namespace outputs
