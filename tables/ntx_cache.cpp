#include "tables/ntx_cache.h"

#include <algorithm>
#include <bit>

namespace tables::ntx {

PageCache::PageCache(std::size_t inner_budget, std::size_t leaf_slots)
    : inner_budget_(inner_budget), leaf_slots_(std::clamp<std::size_t>(leaf_slots, 1, 1u << 22)) {}

void PageCache::Reset(std::uint64_t first, std::uint64_t pages) {
  Clear();
  first_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(first, 0xFFFFFFFFu));
  const auto n = static_cast<std::uint32_t>(
      std::clamp<std::uint64_t>(pages, 1, static_cast<std::uint64_t>(leaf_slots_)));
  // No value-initialisation: the build fills what is used.
  slot_memory_ = platform::LargeBuffer(sizeof(PageBytes) * n);
  slots_ = static_cast<PageBytes*>(slot_memory_.data());
  slot_count_ = n;
  tags_.assign(n, 0);
  whole_ = pages <= n;
  const std::size_t pinned = whole_ ? 0
                                    : static_cast<std::size_t>(std::min<std::uint64_t>(
                                          pages, static_cast<std::uint64_t>(inner_budget_)));
  if (pinned > 0) {
    pinned_.reserve(pinned);
    const std::size_t table = std::bit_ceil(2 * pinned);
    pinned_table_.assign(table, PinnedEntry{});
    pinned_mask_ = static_cast<std::uint32_t>(table - 1);
  }
}

void PageCache::Clear() {
  std::vector<PageBytes>().swap(pinned_);
  std::vector<PinnedEntry>().swap(pinned_table_);
  pinned_mask_ = 0;
  slot_memory_ = platform::LargeBuffer();
  slots_ = nullptr;
  slot_count_ = 0;
  whole_ = false;
  std::vector<std::uint32_t>().swap(tags_);
}

void PageCache::Keep(std::uint32_t offset, const PageBytes& page, bool inner) {
  if (inner && !whole_ && pinned_.size() < pinned_.capacity()) {
    // Each page is written once, so the offset is not in the table yet.
    std::size_t i = PinnedHome(offset);
    while (pinned_table_[i].offset != 0) i = (i + 1) & pinned_mask_;
    pinned_table_[i] = {offset, static_cast<std::uint32_t>(pinned_.size())};
    pinned_.push_back(page);
    return;
  }
  if (slot_count_ == 0) return;
  SlotFor(offset) = page;
  Commit(offset);
}

const PageBytes* PageCache::FindPinned(std::uint32_t offset) const {
  for (std::size_t i = PinnedHome(offset);; i = (i + 1) & pinned_mask_) {
    const PinnedEntry& e = pinned_table_[i];
    if (e.offset == offset) return &pinned_[e.index];
    if (e.offset == 0) return nullptr;
  }
}

PageBytes& PageCache::SlotFor(std::uint32_t offset) {
  const std::size_t i = SlotIndex(offset);
  tags_[i] = 0;  // not valid until committed
  return slots_[i];
}

void PageCache::Commit(std::uint32_t offset) { tags_[SlotIndex(offset)] = offset; }

}  // namespace tables::ntx
