#include "tables/ntx_page.h"

#include <cstring>

namespace tables::ntx {

PageGeometry PageGeometry::ForKeySize(std::size_t key_size) {
  PageGeometry g;
  g.key_size = key_size;
  g.item_size = key_size + kItemOverhead;
  g.max_items = MaxItems(g.item_size);
  return g;
}

PageBuilder::PageBuilder(const PageGeometry& geometry) : geometry_(geometry) { Reset(); }

void PageBuilder::Reset() {
  bytes_.fill(0);
  count_ = 0;
  const std::size_t first = FirstSlotOffset(geometry_.max_items);
  for (std::size_t i = 0; i <= geometry_.max_items; ++i) {
    PutU16(bytes_.data() + kSlotTableOffset + 2 * i,
           static_cast<std::uint16_t>(first + i * geometry_.item_size));
  }
}

unsigned char* PageBuilder::Slot(std::size_t i) {
  return bytes_.data() + FirstSlotOffset(geometry_.max_items) + i * geometry_.item_size;
}

void PageBuilder::Add(std::uint32_t child, std::uint32_t recno, const unsigned char* key) {
  unsigned char* item = Slot(count_);
  PutU32(item + kItemChildOffset, child);
  PutU32(item + kItemRecnoOffset, recno);
  if (geometry_.key_size > 0) std::memcpy(item + kItemKeyOffset, key, geometry_.key_size);
  ++count_;
  PutU16(bytes_.data() + kCountOffset, static_cast<std::uint16_t>(count_));
}

void PageBuilder::SetRightChild(std::uint32_t child) {
  PutU32(Slot(count_) + kItemChildOffset, child);
}

bool PageView::Parse(const unsigned char* page, const PageGeometry& geometry) {
  page_ = page;
  count_ = GetU16(page + kCountOffset);
  if (count_ > geometry.max_items) return false;
  const std::size_t first = FirstSlotOffset(geometry.max_items);
  for (std::size_t i = 0; i <= count_; ++i) {
    const std::size_t at = GetU16(page + kSlotTableOffset + 2 * i);
    // Slot n holds only the child pointer, the others a whole item.
    const std::size_t need = i < count_ ? geometry.item_size : 4;
    if (at < first || at + need > kPageSize) return false;
  }
  return true;
}

}  // namespace tables::ntx
