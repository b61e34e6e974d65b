#include "history/run_comparison.h"

#include <algorithm>
#include <utility>

namespace history {
namespace {

// The failures both groups hold, each occurrence matched once.
std::int64_t Matched(const HashRuns& a, const HashRuns& b) {
  if (a.empty() || b.empty()) return 0;
  SortedHashes i(a);
  SortedHashes j(b);
  std::int64_t matched = 0;
  std::uint64_t x = 0;
  std::uint64_t y = 0;
  bool more = i.Next(&x) && j.Next(&y);
  while (more) {
    if (x < y) {
      more = i.Next(&x);
    } else if (y < x) {
      more = j.Next(&y);
    } else {
      ++matched;
      more = i.Next(&x) && j.Next(&y);
    }
  }
  return matched;
}

}  // namespace

RunComparison CompareRuns(EarlierRun anterior, std::shared_ptr<const RunRecord> earlier_run,
                          const RunRecord& now) {
  const RunRecord& earlier = *earlier_run;
  RunComparison c;
  c.anterior = std::move(anterior);
  static const HashRuns kNone;
  const FailureIdentities::Groups& before = earlier.falhas.groups();
  const FailureIdentities::Groups& after = now.falhas.groups();
  auto b = before.begin();
  auto a = after.begin();
  while (b != before.end() || a != after.end()) {
    GroupComparison g;
    const HashRuns* old_hashes = &kNone;
    const HashRuns* new_hashes = &kNone;
    if (a == after.end() || (b != before.end() && b->first < a->first)) {
      g.group = b->first;
      old_hashes = &(b++)->second;
    } else if (b == before.end() || a->first < b->first) {
      g.group = a->first;
      new_hashes = &(a++)->second;
    } else {
      g.group = a->first;
      old_hashes = &(b++)->second;
      new_hashes = &(a++)->second;
    }
    g.antes = HashCount(*old_hashes);
    g.agora = HashCount(*new_hashes);
    if (g.antes == 0 && g.agora == 0) continue;
    const std::int64_t kept = Matched(*old_hashes, *new_hashes);
    g.corrigidas = g.antes - kept;
    g.novas = g.agora - kept;
    c.corrigidas += g.corrigidas;
    c.novas += g.novas;
    c.mantidas += kept;
    c.por_campo.push_back(std::move(g));
  }
  if (earlier.sem_apolice) c.sem_apolice.antes = earlier.sem_apolice->without_policy;
  if (now.sem_apolice) c.sem_apolice.agora = now.sem_apolice->without_policy;
  c.vigencia_invertida = {earlier.vigencia_invertida, now.vigencia_invertida};
  c.conciliacao = {earlier.conciliacao, now.conciliacao};
  c.falhas_anteriores =
      std::shared_ptr<const FailureIdentities>(std::move(earlier_run), &earlier.falhas);
  return c;
}

NewFailureMarker::Group& NewFailureMarker::Of(const FailureGroup& group) {
  auto it = groups_.find(group);
  if (it == groups_.end()) {
    const auto earlier = earlier_.groups().find(group);
    it = groups_
             .emplace(group, Group(earlier == earlier_.groups().end() ? nullptr : &earlier->second))
             .first;
  }
  return it->second;
}

bool NewFailureMarker::Group::IsNew(std::uint64_t hash) {
  if (earlier_ == nullptr || earlier_->empty()) return true;
  if (earlier_->size() > 1 && joined_.empty()) {
    // Runs the walk left (a run compared before it was stored): one sorted array to look in.
    SortedHashes sorted(*earlier_);
    for (std::uint64_t h = 0; sorted.Next(&h);) joined_.push_back(h);
  }
  const std::vector<std::uint64_t>& earlier = earlier_->size() > 1 ? joined_ : earlier_->front();
  if (buckets_.empty()) {
    int bits = 0;
    while (bits < 30 && (std::size_t{1} << bits) < earlier.size()) ++bits;
    shift_ = 64 - bits;
    buckets_.assign((std::size_t{1} << bits) + 1, 0);
    std::size_t at = 0;
    for (std::size_t b = 0; b + 1 < buckets_.size(); ++b) {
      buckets_[b] = static_cast<std::uint32_t>(at);
      while (at < earlier.size() && (bits == 0 ? 0 : earlier[at] >> shift_) == b) ++at;
    }
    buckets_.back() = static_cast<std::uint32_t>(earlier.size());
    seen_.resize(earlier.size());
  }
  const std::size_t bucket = shift_ == 64 ? 0 : static_cast<std::size_t>(hash >> shift_);
  const auto end = earlier.begin() + buckets_[bucket + 1];
  const auto [first, last] = std::equal_range(earlier.begin() + buckets_[bucket], end, hash);
  if (first == last) return true;
  // A file has fewer than 2^32 records, so fewer rows of one identity.
  const std::uint32_t seen = ++seen_[static_cast<std::size_t>(first - earlier.begin())];
  return seen > last - first;
}

}  // namespace history
