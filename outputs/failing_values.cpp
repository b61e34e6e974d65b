#include "outputs/failing_values.h"

#include "engine/text.h"

namespace engine {

void FailingValues::FieldFailed(const FieldFinding& f) {
  constexpr int kCachedPositions = 4096;  // a file with more fields looks the rest up by name
  Fields::value_type* none = nullptr;
  Fields::value_type** cached = &none;
  if (f.position >= 1 && f.position <= kCachedPositions) {
    auto& positions = by_position_[f.file == FindingFile::kRiscos ? 0 : 1];
    const auto p = static_cast<std::size_t>(f.position);
    if (positions.size() <= p) positions.resize(p + 1, nullptr);
    cached = &positions[p];
  }
  if (*cached == nullptr || (*cached)->first.second != f.field) {
    auto key = std::make_pair(f.file, std::string(f.field));
    auto it = fields_.find(key);
    if (it == fields_.end()) it = fields_.emplace(std::move(key), TopValues(kTracked)).first;
    *cached = &*it;
  }
  (*cached)->second.Add(TrimmedRight(f.text));
  samples_.FieldFailed(f);
}

std::vector<TopValues::Entry> FailingValues::Top(FindingFile file, const std::string& field,
                                                 std::size_t n) const {
  const auto it = fields_.find({file, field});
  return it == fields_.end() ? std::vector<TopValues::Entry>() : it->second.Top(n);
}

}  // namespace engine
