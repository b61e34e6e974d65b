#include "tables/ntx_runs.h"

#include <algorithm>
#include <cstring>

#include "tables/ntx_format.h"
#include "tables/ntx_page.h"

namespace tables::ntx {
namespace {

// Largest read buffer of one run while merging; few runs need no more.
constexpr std::size_t kMaxRunBuffer = 64 * 1024;

}  // namespace

SortedRuns::SortedRuns(platform::ExclusiveFile& file, std::uint64_t area_start,
                       std::size_t key_size, std::size_t batch_budget)
    : file_(file),
      key_size_(key_size),
      capacity_(std::max<std::size_t>(1, batch_budget / (key_size + 8))),
      area_start_(area_start),
      area_end_(area_start) {
  batch_.resize(capacity_ * EntrySize());
  order_.reserve(capacity_);
  rest_.reserve(capacity_);
}

bool SortedRuns::Less(const unsigned char* a, const unsigned char* b) const {
  const int c = CompareKeys(a, b, key_size_);
  if (c != 0) return c < 0;
  return GetU32(a + key_size_) < GetU32(b + key_size_);
}

bool SortedRuns::Add(const unsigned char* key, std::uint32_t recno) {
  if (batch_count_ == capacity_ && !WriteBatch()) return false;
  unsigned char* entry = batch_.data() + batch_count_ * EntrySize();
  if (key_size_ > 0) std::memcpy(entry, key, key_size_);
  PutU32(entry + key_size_, recno);
  ++batch_count_;
  ++count_;
  return true;
}

// Files tend to come ordered by policy already, so a batch is mostly one ascending chain with a
// few keys out of place (blank or damaged values). The chain is taken as it stands, only the rest
// is sorted, and the two are merged; a batch in no order costs little more than a plain sort.
void SortedRuns::SortBatch() {
  const std::size_t e = EntrySize();
  const unsigned char* base = batch_.data();
  auto entry = [&](std::uint32_t i) { return base + std::size_t{i} * e; };
  order_.clear();
  rest_.clear();
  for (std::uint32_t i = 0; i < batch_count_; ++i) {
    if (order_.empty() || !Less(entry(i), entry(order_.back()))) {
      order_.push_back(i);
    } else {
      rest_.push_back(i);
    }
  }
  SortRest();
  sorted_.resize(batch_count_ * e);
  unsigned char* out = sorted_.data();
  std::size_t a = 0;
  std::size_t b = 0;
  while (a < order_.size() || b < rest_.size()) {
    const bool from_rest =
        a == order_.size() || (b < rest_.size() && Less(entry(rest_[b]), entry(order_[a])));
    std::memcpy(out, entry(from_rest ? rest_[b++] : order_[a++]), e);
    out += e;
  }
}

// Sorts by eight key bytes at a time held beside each pair's number, so that comparisons are of
// two integers instead of two entries elsewhere in the batch: pairs whose eight bytes tie are
// sorted again by the next eight, and pairs whose whole keys tie by their record numbers. The
// order is that of Less.
void SortedRuns::SortRest() {
  prefixed_.clear();
  for (const std::uint32_t i : rest_) prefixed_.push_back({0, i});
  SortFrom(prefixed_.data(), prefixed_.data() + prefixed_.size(), 0);
  for (std::size_t k = 0; k < prefixed_.size(); ++k) rest_[k] = prefixed_[k].index;
}

// [first, last) share their key bytes before `from`.
void SortedRuns::SortFrom(Prefixed* first, Prefixed* last, std::size_t from) {
  if (last - first < 2) return;
  const std::size_t e = EntrySize();
  const std::size_t width = from < key_size_ ? std::min<std::size_t>(8, key_size_ - from) : 0;
  for (Prefixed* p = first; p != last; ++p) {
    const unsigned char* entry = batch_.data() + std::size_t{p->index} * e;
    if (width == 0) {
      p->bytes = GetU32(entry + key_size_);  // the whole keys tie
    } else if (width == 8) {
      p->bytes = LoadBigEndian64(entry + from);
    } else {
      p->bytes = 0;
      for (std::size_t k = 0; k < 8; ++k)
        p->bytes = (p->bytes << 8) | (k < width ? entry[from + k] : 0u);
    }
  }
  std::sort(first, last, [](const Prefixed& a, const Prefixed& b) { return a.bytes < b.bytes; });
  if (width == 0) return;
  for (Prefixed* tie = first; tie != last;) {
    Prefixed* end = tie + 1;
    while (end != last && end->bytes == tie->bytes) ++end;
    SortFrom(tie, end, from + width);
    tie = end;
  }
}

bool SortedRuns::WriteBatch() {
  SortBatch();
  if (!sorted_.empty() && !file_.WriteAt(area_end_, sorted_.data(), sorted_.size())) return false;
  area_end_ += sorted_.size();
  run_ends_.push_back(area_end_);
  batch_count_ = 0;
  return true;
}

bool SortedRuns::Finish() {
  // One batch that never filled stays in memory and is merged from there.
  if (run_ends_.empty()) {
    SortBatch();
    batch_count_ = 0;
    return true;
  }
  if (batch_count_ > 0) return WriteBatch();
  return true;
}

bool SortedRuns::Fill(Cursor& cursor) {
  cursor.at = 0;
  cursor.len = 0;
  if (cursor.pos >= cursor.end) return false;
  const std::size_t want =
      static_cast<std::size_t>(std::min<std::uint64_t>(cursor.capacity, cursor.end - cursor.pos));
  if (file_.ReadAt(cursor.pos, cursor.buf, want) != want) {
    failed_ = true;
    return false;
  }
  cursor.pos += want;
  cursor.len = want;
  return true;
}

const unsigned char* SortedRuns::Head(std::size_t cursor) const {
  return cursors_[cursor].buf + cursors_[cursor].at;
}

void SortedRuns::StartMerge(std::size_t read_budget) {
  cursors_.clear();
  tree_.clear();
  failed_ = false;
  std::vector<unsigned char>().swap(batch_);  // the collection is over
  std::vector<std::uint32_t>().swap(order_);
  std::vector<std::uint32_t>().swap(rest_);
  std::vector<Prefixed>().swap(prefixed_);
  const std::size_t e = EntrySize();
  if (run_ends_.empty()) {
    Cursor only;  // read where it lies: the sorted batch stays as it is for another merge
    only.buf = sorted_.data();
    only.len = sorted_.size();
    cursors_.push_back(only);
  } else {
    // Every run gets an equal share of the read budget, in whole entries, at least one, in one
    // block that no one fills with zeros first (each part is read into before it is used).
    const std::size_t share = std::min(kMaxRunBuffer, read_budget / run_ends_.size());
    const std::size_t entries = std::max<std::size_t>(1, share / e);
    const std::size_t each = entries * e;
    if (merge_capacity_ < each * run_ends_.size()) {
      merge_capacity_ = each * run_ends_.size();
      merge_memory_.reset(new unsigned char[merge_capacity_]);
    }
    cursors_.reserve(run_ends_.size());
    for (std::size_t i = 0; i < run_ends_.size(); ++i) {
      Cursor c;
      c.pos = i == 0 ? area_start_ : run_ends_[i - 1];
      c.end = run_ends_[i];
      c.buf = merge_memory_.get() + i * each;
      c.capacity = each;
      cursors_.push_back(c);
      if (!Fill(cursors_.back())) return;
    }
  }
  current_.resize(e);
  // A tree of losers: node t holds the run that lost the match there, tree_[0] the winner.
  // Every node starts with a sentinel that beats every run, then each run plays its way up.
  const std::size_t k = cursors_.size();
  tree_.assign(k, kSentinel);
  for (std::size_t i = k; i-- > 0;) Replay(i);
  runner_up_ = kSentinel;
}

bool SortedRuns::Beats(std::size_t a, std::size_t b) const {
  if (a == kSentinel || b == kSentinel) return a == kSentinel && b != kSentinel;
  const bool a_done = cursors_[a].at >= cursors_[a].len;
  const bool b_done = cursors_[b].at >= cursors_[b].len;
  if (a_done || b_done) return !a_done;
  return Less(Head(a), Head(b));
}

void SortedRuns::Replay(std::size_t run) {
  std::size_t winner = run;
  for (std::size_t t = (run + cursors_.size()) / 2; t > 0; t /= 2) {
    if (Beats(tree_[t], winner)) std::swap(tree_[t], winner);
  }
  tree_[0] = winner;
}

bool SortedRuns::StillAhead(std::size_t run) const {
  if (cursors_[run].at >= cursors_[run].len) return false;  // used up: the tree decides
  return runner_up_ == kNobody || Beats(run, runner_up_);
}

std::size_t SortedRuns::RunnerUp(std::size_t winner) const {
  // The best of the rest lost to the winner itself, so it is one of the losers on its path.
  std::size_t best = kNobody;
  for (std::size_t t = (winner + cursors_.size()) / 2; t > 0; t /= 2) {
    if (best == kNobody || Beats(tree_[t], best)) best = tree_[t];
  }
  return best;
}

bool SortedRuns::Next(const unsigned char** key, std::uint32_t* recno) {
  if (failed_ || tree_.empty()) return false;
  const std::size_t top = tree_[0];
  if (top == kSentinel || cursors_[top].at >= cursors_[top].len) return false;  // all used up
  Cursor& c = cursors_[top];
  const std::size_t e = EntrySize();
  std::memcpy(current_.data(), c.buf + c.at, e);
  c.at += e;
  if (c.at >= c.len && !Fill(c) && failed_) return false;
  // While the same run keeps winning (runs of a file in key order barely overlap), its next pair
  // only has to beat the best of the others: one comparison instead of a match at every level.
  // The tree stays valid, as the winner's matches keep their outcome.
  if (runner_up_ == kSentinel || !StillAhead(top)) {
    Replay(top);
    runner_up_ = tree_[0] == top ? RunnerUp(top) : kSentinel;
  }
  *key = current_.data();
  *recno = GetU32(current_.data() + key_size_);
  return true;
}

}  // namespace tables::ntx
