#include "outputs/failing_values.h"

#include "engine/text.h"

namespace engine {

FailingValues::Place& FailingValues::PlaceOf(const FieldFinding& f) {
  constexpr int kCachedPositions = 4096;  // a file with more fields looks the rest up by name
  Place* place = &spare_;
  if (f.position >= 1 && f.position <= kCachedPositions) {
    auto& positions = by_position_[f.file == FindingFile::kRiscos ? 0 : 1];
    const auto p = static_cast<std::size_t>(f.position);
    if (positions.size() <= p) positions.resize(p + 1);
    place = &positions[p];
  }
  // The name is compared too: the counters are the field's, whatever its position. The same
  // name where it lay before is the same field (places are per file, and each file is walked
  // once), without a compare.
  if (f.field.data() != place->name) {
    if (place->field == nullptr || place->field->first.second != f.field) Find(*place, f);
    place->name = f.field.data();
  }
  return *place;
}

void FailingValues::Find(Place& place, const FieldFinding& f) {
  auto key = std::make_pair(f.file, std::string(f.field));
  auto it = fields_.find(key);
  if (it == fields_.end()) it = fields_.emplace(std::move(key), TopValues(kTracked)).first;
  place = Place{&*it, {}, nullptr};
}

void FailingValues::FieldFailed(const FieldFinding& f) {
  Place& place = PlaceOf(f);
  place.field->second.Add(TrimmedRight(f.text));
  const auto check = static_cast<std::size_t>(f.check);
  if (check >= place.groups.size()) return;  // not a field check: no samples
  SampleGroup*& group = place.groups[check];
  if (group == nullptr) group = &samples_.Group(f.file, f.field, f.check);
  samples_.Add(*group, f);
}

std::vector<TopValues::Entry> FailingValues::Top(FindingFile file, const std::string& field,
                                                 std::size_t n) const {
  const auto it = fields_.find({file, field});
  return it == fields_.end() ? std::vector<TopValues::Entry>() : it->second.Top(n);
}

}  // namespace engine
