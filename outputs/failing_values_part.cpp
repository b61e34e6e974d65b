#include "outputs/failing_values_part.h"

#include <algorithm>
#include <bit>

#include "engine/text.h"
#include "outputs/failing_values.h"
#include "outputs/top_values.h"

namespace outputs {

inline FailingValuesPart::Field& FailingValuesPart::FieldOf(const engine::FieldFinding& f) {
  const auto p = static_cast<std::size_t>(f.position < 0 ? 0 : f.position);
  if (by_position_.size() <= p) by_position_.resize(p + 1);
  std::unique_ptr<Field>& field = by_position_[p];
  if (field == nullptr) field = std::make_unique<Field>();
  if (field->sequence.empty()) {
    // First met in this chunk. A walk tells a position always with the same field's name.
    field->file = f.file;
    field->position = f.position;
    field->name = f.field;
    counted_.push_back(field.get());
  }
  return *field;
}

void FailingValuesPart::Count(const engine::FieldFinding& f) {
  Field& field = FieldOf(f);
  if (field.last_record != f.record) {
    field.last_record = f.record;
    field.sequence.push_back(IndexOf(field, engine::TrimmedRight(f.text)));
  }
  if (!engine::IsFieldCheck(f.check)) return;  // no samples
  const auto check = static_cast<std::size_t>(f.check);
  ++field.failures[check];
  std::vector<RecordSample>& rows = field.rows[check];
  if (rows.size() < HtmlReportSamples::kPerGroup && !shares_.Full(f.file, f.position, check)) {
    rows.push_back(HtmlReportSamples::Row(f));
  }
}

std::uint32_t FailingValuesPart::IndexOf(Field& field, std::string_view value) {
  if (!field.values.empty() && field.values[field.last] == value) {
    ++field.counts[field.last];
    return field.last;
  }
  field.last = Find(field, value);
  return field.last;
}

std::uint32_t FailingValuesPart::Find(Field& field, std::string_view value) {
  if (field.slots.size() < 2 * (field.values.size() + 1)) {
    // Grown, and the values filed again.
    field.slots.assign(std::bit_ceil(std::max<std::size_t>(16, 4 * (field.values.size() + 1))), 0);
    const std::size_t mask = field.slots.size() - 1;
    for (std::size_t i = 0; i < field.values.size(); ++i) {
      std::size_t s = TopValues::Hash(field.values[i]) & mask;
      while (field.slots[s] != 0) s = (s + 1) & mask;
      field.slots[s] = static_cast<std::uint32_t>(i + 1);
    }
  }
  const std::size_t mask = field.slots.size() - 1;
  std::size_t s = TopValues::Hash(value) & mask;
  for (; field.slots[s] != 0; s = (s + 1) & mask) {
    const std::uint32_t i = field.slots[s] - 1;
    if (field.values[i] == value) {
      ++field.counts[i];
      return i;
    }
  }
  field.slots[s] = static_cast<std::uint32_t>(field.values.size() + 1);
  field.values.push_back(field.stored.emplace_back(value));
  field.counts.push_back(1);
  return static_cast<std::uint32_t>(field.values.size() - 1);
}

void FailingValuesPart::Merge() { owner_.Add(*this); }

void FailingValuesPart::Clear() {
  for (Field* field : counted_) {
    field->values.clear();
    field->stored.clear();
    field->counts.clear();
    field->sequence.clear();
    field->failures.fill(0);
    field->last_record = 0;
    for (auto& rows : field->rows) rows.clear();
    std::fill(field->slots.begin(), field->slots.end(), 0);
  }
  counted_.clear();
}

}  // namespace outputs
