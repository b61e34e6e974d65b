#include "tables/ntx_cache.h"

#include <algorithm>

namespace tables::ntx {

PageCache::PageCache(std::size_t inner_budget, std::size_t leaf_slots)
    : inner_budget_(inner_budget), leaf_slots_(std::max<std::size_t>(1, leaf_slots)) {}

void PageCache::Reset(std::uint64_t first, std::uint64_t pages) {
  Clear();
  first_ = first;
  const auto n = static_cast<std::size_t>(
      std::clamp<std::uint64_t>(pages, 1, static_cast<std::uint64_t>(leaf_slots_)));
  slots_.reset(new PageBytes[n]);  // no value-initialisation: the build fills what is used
  slot_count_ = n;
  tags_.assign(n, 0);
}

void PageCache::Clear() {
  std::unordered_map<std::uint32_t, PageBytes>().swap(inner_);
  slots_.reset();
  slot_count_ = 0;
  std::vector<std::uint32_t>().swap(tags_);
}

void PageCache::Keep(std::uint32_t offset, const PageBytes& page, bool inner) {
  if (inner && inner_.size() < inner_budget_) {
    inner_[offset] = page;
    return;
  }
  if (slot_count_ == 0) return;
  SlotFor(offset) = page;
  Commit(offset);
}

const PageBytes* PageCache::Find(std::uint32_t offset) const {
  if (!inner_.empty()) {
    auto it = inner_.find(offset);
    if (it != inner_.end()) return &it->second;
  }
  if (slot_count_ == 0) return nullptr;
  const std::size_t i = SlotIndex(offset);
  return tags_[i] == offset ? &slots_[i] : nullptr;
}

PageBytes& PageCache::SlotFor(std::uint32_t offset) {
  const std::size_t i = SlotIndex(offset);
  tags_[i] = 0;  // not valid until committed
  return slots_[i];
}

void PageCache::Commit(std::uint32_t offset) { tags_[SlotIndex(offset)] = offset; }

}  // namespace tables::ntx
