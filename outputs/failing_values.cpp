#include "outputs/failing_values.h"

#include "engine/text.h"

namespace outputs {

FailingValues::Place& FailingValues::PlaceOf(engine::FindingFile file, int position,
                                             std::string_view field) {
  constexpr int kCachedPositions = 4096;  // a file with more fields looks the rest up by name
  Place* place = &spare_;
  if (position >= 1 && position <= kCachedPositions) {
    auto& positions = by_position_[file == engine::FindingFile::kRiscos ? 0 : 1];
    const auto p = static_cast<std::size_t>(position);
    if (positions.size() <= p) positions.resize(p + 1);
    place = &positions[p];
  }
  // The name is compared too, by its bytes: the counters are the field's, whatever its position,
  // and a finding's name is valid only during the call, so where it lies tells nothing.
  if (place->field == nullptr || place->field->first.second != field) Find(*place, file, field);
  return *place;
}

void FailingValues::Find(Place& place, engine::FindingFile file, std::string_view field) {
  auto key = std::make_pair(file, std::string(field));
  auto it = fields_.find(key);
  if (it == fields_.end()) it = fields_.emplace(std::move(key), TopValues(kTracked)).first;
  place = Place{&*it, {}};
}

void FailingValues::FieldFailed(const engine::FieldFinding& f) {
  Place& place = PlaceOf(f.file, f.position, f.field);
  // A value that fails several checks of its field (a blank: nulo and tamanho) counts once.
  const Told told{f.file, f.record, f.position};
  if (!(told == last_told_)) place.field->second.Add(engine::TrimmedRight(f.text));
  last_told_ = told;
  if (!engine::IsFieldCheck(f.check)) return;  // no samples
  SampleGroup*& group = place.groups[static_cast<std::size_t>(f.check)];
  if (group == nullptr) group = &samples_.Group(f.file, f.field, f.check);
  samples_.Add(*group, f);
}

std::unique_ptr<engine::ChunkPart> FailingValues::NewChunkPart() {
  return std::make_unique<FailingValuesPart>(*this, shares_);
}

void FailingValues::Add(FailingValuesPart& part) {
  for (FailingValuesPart::Field* f : part.fields()) {
    Place& place = PlaceOf(f->file, f->position, f->name);
    place.field->second.AddCounted(f->values, f->counts, f->sequence);
    for (std::size_t check = 0; check < place.groups.size(); ++check) {
      if (f->failures[check] == 0) continue;
      SampleGroup*& group = place.groups[check];
      if (group == nullptr) {
        group = &samples_.Group(f->file, f->name, static_cast<engine::FindingCheck>(check));
      }
      HtmlReportSamples::AddCounted(*group, f->failures[check], f->rows[check]);
      if (group->rows.size() >= HtmlReportSamples::kPerGroup) {
        shares_.SetFull(f->file, f->position, check);
      }
    }
  }
  part.Clear();
}

std::vector<TopValues::Entry> FailingValues::Top(engine::FindingFile file, const std::string& field,
                                                 std::size_t n) const {
  const auto it = fields_.find({file, field});
  return it == fields_.end() ? std::vector<TopValues::Entry>() : it->second.Top(n);
}

}  // namespace outputs
