#pragma once
// The B-tree of a key index in its file: written bottom up from the merged pairs of the build,
// and read back page by page in key order; and the join that answers a probe's texts from the
// keys in that order, during the build or from the file afterwards.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

#include "platform/exclusive_file.h"
#include "tables/key_index.h"
#include "tables/ntx_cache.h"
#include "tables/ntx_merge_ahead.h"
#include "tables/ntx_page.h"
#include "tables/ntx_runs.h"

namespace tables::ntx {

// Pages written with one write during the build.
inline constexpr std::size_t kWriteBatchPages = 64;

// Answers a probe's texts from the pairs the build takes in key order. A text is found when the
// first shown key not below its padded form begins with it: the keys that begin with a text sort
// together, from its padded form (NULs sort first) on. Both sequences ascend, so one pass serves.
class ProbeJoin {
 public:
  // With `merge_ahead` the texts are merged on a thread of their own while the keys are taken.
  ProbeJoin(KeyProbe& probe, std::size_t key_size, std::function<bool(std::uint32_t)> visible,
            bool merge_ahead = false)
      : probe_(probe), texts_(probe.Texts()), key_size_(key_size), visible_(std::move(visible)) {
    probe_.Restart();
    if (merge_ahead) {
      ahead_.emplace(texts_, kProbeReadBudget);
    } else {
      texts_.StartMerge(kProbeReadBudget);
    }
    Advance();
  }

  void Take(const unsigned char* key, std::uint32_t recno) {
    if (!Answers(key) || !visible_(recno)) return;  // asked only of keys that answer a text
    do {
      const std::size_t n = ProbeTextLength(head_, key_size_);
      if (n > key_size_ || std::memcmp(head_, key, n) != 0) probe_.Missing(head_recno_);
      Advance();
    } while (head_ != nullptr && CompareKeys(head_, key, key_size_) <= 0);
  }

  // Every text is answered: the keys after this one change nothing.
  bool done() const { return head_ == nullptr; }
  // The key answers the next text: it does not sort before it.
  bool Answers(const unsigned char* key) const {
    return head_ != nullptr && CompareKeys(head_, key, key_size_) <= 0;
  }

  // The texts after the last key are missing.
  void Finish() {
    for (; head_ != nullptr; Advance()) probe_.Missing(head_recno_);
    probe_.Answered(!(ahead_ ? ahead_->failed() : texts_.failed()));
  }

 private:
  // Read buffers of the texts' runs.
  static constexpr std::size_t kProbeReadBudget = 4 * 1024 * 1024;

  void Advance() {
    const bool more =
        ahead_ ? ahead_->Next(&head_, &head_recno_) : texts_.Next(&head_, &head_recno_);
    if (!more) head_ = nullptr;
  }

  KeyProbe& probe_;
  SortedRuns& texts_;
  std::size_t key_size_;
  std::function<bool(std::uint32_t)> visible_;
  std::optional<MergeAhead> ahead_;
  const unsigned char* head_ = nullptr;
  std::uint32_t head_recno_ = 0;
};

// Writes the B-tree bottom up from the merged pairs. With the key count known in advance, every
// subtree gets an even share of the keys, so all leaves are on one level and no page is empty
// (but the root of an empty index). Pages are appended in the order they are finished, children
// before their parent, so a parent always knows its children's offsets.
class TreeWriter {
 public:
  // Pages go to `cache` when given; every pair taken is shown to `join` when given.
  TreeWriter(platform::ExclusiveFile& file, std::uint64_t start, const PageGeometry& g,
             SortedRuns& source, PageCache* cache, ProbeJoin* join)
      : file_(file),
        geometry_(g),
        source_(source),
        cache_(cache),
        join_(join),
        next_(start),
        pending_start_(start) {
    pending_.reserve(kWriteBatchPages * kPageSize);
  }

  // Plans the tree for `count` keys; the number of pages it will write.
  std::uint64_t Plan(std::uint64_t count) {
    count_ = count;
    // capacity_[h - 1]: most keys a tree of h levels holds.
    const std::uint64_t m = geometry_.max_items;
    capacity_.assign(1, m);
    while (capacity_.back() < count) capacity_.push_back(m + (m + 1) * capacity_.back());
    return Pages(count, Height());
  }

  // False when the file cannot be written, grows past 4 GiB or the pairs run short.
  bool Write(std::uint32_t* root) { return Node(count_, Height(), root) && Flush(); }

 private:
  struct Split {
    std::uint64_t children = 0;
    std::uint64_t share = 0;  // keys of each child subtree
    std::uint64_t extra = 0;  // the first `extra` children get one more
  };

  int Height() const { return static_cast<int>(capacity_.size()); }

  // As few children as the lower level's capacity allows, at least two, keys shared evenly.
  Split SplitFor(std::uint64_t count, int height) const {
    const std::uint64_t below = capacity_[static_cast<std::size_t>(height) - 2];
    Split s;
    s.children = std::max<std::uint64_t>(2, (count + 1 + below) / (below + 1));
    s.children = std::min<std::uint64_t>({s.children, geometry_.max_items + 1, count + 1});
    s.share = (count - (s.children - 1)) / s.children;
    s.extra = (count - (s.children - 1)) % s.children;
    return s;
  }

  std::uint64_t Pages(std::uint64_t count, int height) const {
    if (height == 1) return 1;
    const Split s = SplitFor(count, height);
    std::uint64_t pages = 1 + (s.children - s.extra) * Pages(s.share, height - 1);
    if (s.extra > 0) pages += s.extra * Pages(s.share + 1, height - 1);
    return pages;
  }

  bool Node(std::uint64_t count, int height, std::uint32_t* offset) {
    PageBuilder page(geometry_);
    if (height == 1) {
      for (std::uint64_t i = 0; i < count; ++i) {
        if (!Take(page, 0)) return false;
      }
      return Append(page.bytes(), false, offset);
    }
    const Split s = SplitFor(count, height);
    for (std::uint64_t j = 0; j < s.children; ++j) {
      std::uint32_t child = 0;
      if (!Node(s.share + (j < s.extra ? 1 : 0), height - 1, &child)) return false;
      if (j + 1 < s.children) {
        if (!Take(page, child)) return false;
      } else {
        page.SetRightChild(child);
      }
    }
    return Append(page.bytes(), true, offset);
  }

  bool Take(PageBuilder& page, std::uint32_t child) {
    const unsigned char* key = nullptr;
    std::uint32_t recno = 0;
    if (!source_.Next(&key, &recno)) return false;
    page.Add(child, recno, key);
    if (join_ != nullptr) join_->Take(key, recno);
    return true;
  }

  bool Append(const PageBytes& page, bool inner, std::uint32_t* offset) {
    if (next_ + kPageSize > 0xFFFFFFFFu) return false;
    *offset = static_cast<std::uint32_t>(next_);
    if (cache_ != nullptr) cache_->Keep(*offset, page, inner);
    pending_.insert(pending_.end(), page.begin(), page.end());
    next_ += kPageSize;
    return pending_.size() < kWriteBatchPages * kPageSize || Flush();
  }

  bool Flush() {
    if (!pending_.empty() && !file_.WriteAt(pending_start_, pending_.data(), pending_.size())) {
      return false;
    }
    pending_start_ += pending_.size();
    pending_.clear();
    return true;
  }

  platform::ExclusiveFile& file_;
  PageGeometry geometry_;
  SortedRuns& source_;
  PageCache* cache_;
  ProbeJoin* join_;
  std::uint64_t count_ = 0;
  std::vector<std::uint64_t> capacity_;
  std::uint64_t next_;
  std::uint64_t pending_start_;
  std::vector<unsigned char> pending_;
};

// The pages of a built index for one walk along its keys, read ahead in blocks: the walk asks
// for them in ascending order of offset, but for the inner pages it returns to, which were
// written after their children. A page is checked when it is read; its bytes stay valid until
// the next call.
class PageReader {
 public:
  PageReader(platform::ExclusiveFile& file, const PageGeometry& geometry, std::uint64_t tree_start,
             std::uint64_t file_size)
      : file_(file), geometry_(geometry), tree_start_(tree_start), file_size_(file_size) {}

  // Null when the page is outside the tree, cannot be read or is damaged.
  const unsigned char* Page(std::uint32_t offset) {
    if (offset < tree_start_ || offset % kPageSize != 0 ||
        offset + std::uint64_t{kPageSize} > file_size_) {
      return nullptr;
    }
    if (offset < start_ || offset + std::uint64_t{kPageSize} > start_ + length_) {
      block_.resize(kBlockBytes);
      const std::size_t want =
          static_cast<std::size_t>(std::min<std::uint64_t>(kBlockBytes, file_size_ - offset));
      if (file_.ReadAt(offset, block_.data(), want) != want) return nullptr;
      start_ = offset;
      length_ = want;
    }
    const unsigned char* page = block_.data() + (offset - start_);
    PageView check;
    return check.Parse(page, geometry_) ? page : nullptr;
  }

 private:
  static constexpr std::size_t kBlockBytes = 64 * 1024;

  platform::ExclusiveFile& file_;
  PageGeometry geometry_;
  std::uint64_t tree_start_;
  std::uint64_t file_size_;
  std::vector<unsigned char> block_;
  std::uint64_t start_ = 0;
  std::uint64_t length_ = 0;
};

}  // namespace tables::ntx
