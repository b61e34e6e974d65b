#include "engine/failing_values.h"

#include "engine/text.h"

namespace engine {

void FailingValues::FieldFailed(const FieldFinding& f) {
  if (last_ == nullptr || f.file != last_file_ || f.field != last_name_) {
    auto key = std::make_pair(f.file, std::string(f.field));
    auto it = fields_.find(key);
    if (it == fields_.end()) it = fields_.emplace(std::move(key), TopValues(kTracked)).first;
    last_ = &it->second;
    last_name_.assign(f.field);
    last_file_ = f.file;
  }
  last_->Add(TrimmedRight(f.text));
}

std::vector<TopValues::Entry> FailingValues::Top(FindingFile file, const std::string& field,
                                                 std::size_t n) const {
  const auto it = fields_.find({file, field});
  return it == fields_.end() ? std::vector<TopValues::Entry>() : it->second.Top(n);
}

}  // namespace engine
