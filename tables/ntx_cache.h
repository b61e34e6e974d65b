#pragma once
// The pages of one index kept in memory for its searches, in a fixed budget whatever the size
// of the file. Pages go to a direct-mapped table of slots by page number, where a newer page
// replaces an older one of the same slot; a tree that fits the slots is kept whole there. When
// it does not fit, the inner pages (the upper levels every search passes through) are pinned
// apart, up to their own budget. The build hands every page it writes to the cache, so an index
// that fits is searched without reading its file back.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/large_buffer.h"
#include "tables/ntx_page.h"

namespace tables::ntx {

class PageCache {
 public:
  // `inner_budget` pinned pages at most, `leaf_slots` direct-mapped slots at most.
  PageCache(std::size_t inner_budget, std::size_t leaf_slots);

  // Empties the cache and sizes it for a tree of `pages` pages from file offset `first` on
  // (consecutive pages map to distinct slots, so a tree that fits is kept whole).
  void Reset(std::uint64_t first, std::uint64_t pages);
  // Releases everything.
  void Clear();

  // A page as the build wrote it; kept when there is room for it.
  void Keep(std::uint32_t offset, const PageBytes& page, bool inner);
  // The page at `offset`, or nullptr when it is not in memory. REQUIRES: offset >= first.
  const PageBytes* Find(std::uint32_t offset) const {
    if (slot_count_ != 0) {
      const std::size_t i = SlotIndex(offset);
      if (tags_[i] == offset) return &slots_[i];
    }
    return pinned_.empty() ? nullptr : FindPinned(offset);
  }
  // The slot a leaf page read from the file goes to; Find() sees it once Commit() is called.
  PageBytes& SlotFor(std::uint32_t offset);
  void Commit(std::uint32_t offset);

 private:
  struct PinnedEntry {
    std::uint32_t offset = 0;  // 0 when empty (0 is the header, never a tree page)
    std::uint32_t index = 0;   // into pinned_
  };

  std::size_t SlotIndex(std::uint32_t offset) const {
    // Offsets are below 4 GiB, so page numbers fit 32 bits and the cheaper division serves.
    return static_cast<std::uint32_t>((offset - first_) / kPageSize) % slot_count_;
  }
  std::size_t PinnedHome(std::uint32_t offset) const {
    return static_cast<std::size_t>(((offset / kPageSize) * 0x9E3779B1u) & pinned_mask_);
  }
  const PageBytes* FindPinned(std::uint32_t offset) const;

  std::size_t inner_budget_;
  std::size_t leaf_slots_;
  bool whole_ = false;  // the tree fits the slots: inner pages go there too
  std::vector<PageBytes> pinned_;
  std::vector<PinnedEntry> pinned_table_;  // open addressing, a power of two, at most half full
  std::uint32_t pinned_mask_ = 0;
  platform::LargeBuffer slot_memory_;  // left uninitialised: a slot is read only once tagged
  PageBytes* slots_ = nullptr;
  std::uint32_t slot_count_ = 0;
  std::uint32_t first_ = 0;
  std::vector<std::uint32_t> tags_;  // offset held by each slot, 0 when empty (0 is the header)
};

}  // namespace tables::ntx
