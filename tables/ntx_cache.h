#pragma once
// The pages of one index kept in memory for its searches, in a fixed budget whatever the size
// of the file: the inner pages (the upper levels every search passes through) are pinned up to
// their budget; leaf pages go to a direct-mapped table where a newer page replaces an older one
// of the same slot. The build hands every page it writes to the cache, so an index that fits
// is searched without reading its file back.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

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
  // The page at `offset`, or nullptr when it is not in memory.
  const PageBytes* Find(std::uint32_t offset) const;
  // The slot a leaf page read from the file goes to; Find() sees it once Commit() is called.
  PageBytes& SlotFor(std::uint32_t offset);
  void Commit(std::uint32_t offset);

 private:
  std::size_t SlotIndex(std::uint32_t offset) const {
    return static_cast<std::size_t>(((offset - first_) / kPageSize) % slot_count_);
  }

  std::size_t inner_budget_;
  std::size_t leaf_slots_;
  std::unordered_map<std::uint32_t, PageBytes> inner_;
  std::unique_ptr<PageBytes[]> slots_;  // left uninitialised: a slot is read only once tagged
  std::size_t slot_count_ = 0;
  std::uint64_t first_ = 0;
  std::vector<std::uint32_t> tags_;  // offset held by each slot, 0 when empty (0 is the header)
};

}  // namespace tables::ntx
