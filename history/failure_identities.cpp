#include "history/failure_identities.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "engine/text.h"

namespace history {
namespace {

// The text eight bytes at a time (the last word padded with zeros), each word multiplied in,
// and closed by its length so that ("AB", "") and ("A", "B") differ; Finish() then spreads the
// result evenly. A word's first byte is its least significant, on any byte order. Policy keys
// are a few words long: this is several times faster than a byte at a time, on the walk's
// workers for every failing record.
std::uint64_t Mix(std::uint64_t h, std::string_view text) {
  constexpr std::uint64_t kPrime = 0x9E3779B97F4A7C15ULL;
  const auto step = [&h](std::uint64_t word) {
    h = (h ^ word) * kPrime;
    h ^= h >> 29;
  };
  const char* at = text.data();
  std::size_t left = text.size();
  for (; left >= 8; at += 8, left -= 8) {
    std::uint64_t word = 0;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(&word, at, 8);  // one load, not a call: the length is fixed
    } else {
      for (int i = 7; i >= 0; --i) word = (word << 8) | static_cast<unsigned char>(at[i]);
    }
    step(word);
  }
  if (left > 0) {
    std::uint64_t word = 0;
    for (std::size_t i = left; i-- > 0;) word = (word << 8) | static_cast<unsigned char>(at[i]);
    step(word);
  }
  h = (h ^ text.size()) * kPrime;
  return h ^ (h >> 32);
}

std::uint64_t Finish(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

// Least significant byte first, a counting pass per byte: the hashes spread evenly, and a run's
// millions of them sort several times faster than by comparisons. A byte every hash shares is
// skipped.
void SortHashes(std::vector<std::uint64_t>& hashes, std::vector<std::uint64_t>& scratch) {
  constexpr std::size_t kSmall = 256;
  if (hashes.size() < kSmall) {
    std::sort(hashes.begin(), hashes.end());
    return;
  }
  std::array<std::array<std::size_t, 256>, 8> counts{};
  for (const std::uint64_t h : hashes) {
    for (std::size_t b = 0; b < 8; ++b) ++counts[b][(h >> (8 * b)) & 0xFF];
  }
  scratch.resize(hashes.size());
  for (std::size_t b = 0; b < 8; ++b) {
    std::array<std::size_t, 256>& count = counts[b];
    if (std::find(count.begin(), count.end(), hashes.size()) != count.end()) continue;
    std::size_t at = 0;
    for (std::size_t& c : count) at += std::exchange(c, at);
    for (const std::uint64_t h : hashes) scratch[count[(h >> (8 * b)) & 0xFF]++] = h;
    hashes.swap(scratch);
  }
}

}  // namespace

std::uint64_t IdentityHash(std::string_view apolice, std::string_view endosso,
                           std::string_view item) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  h = Mix(h, engine::TrimmedRight(apolice));
  h = Mix(h, engine::TrimmedRight(endosso));
  h = Mix(h, engine::TrimmedRight(item));
  return Finish(h);
}

FailureIdentities::FailureIdentities(Groups unsorted, int threads) {
  std::vector<std::vector<std::uint64_t>*> runs;
  for (auto& [group, group_runs] : unsorted) {
    for (std::vector<std::uint64_t>& run : group_runs) runs.push_back(&run);
  }
  // The runs are taken one at a time by whichever thread is free: their sizes differ.
  std::atomic<std::size_t> next{0};
  std::mutex failed_mutex;
  std::exception_ptr failed;
  const auto sort_runs = [&] {
    try {
      std::vector<std::uint64_t> scratch;
      for (std::size_t i = next++; i < runs.size(); i = next++) SortHashes(*runs[i], scratch);
    } catch (...) {  // a sorting room that could not be had
      next = runs.size();
      const std::lock_guard<std::mutex> lock(failed_mutex);
      if (!failed) failed = std::current_exception();
    }
  };
  {
    std::vector<std::jthread> helpers;
    const std::size_t wanted =
        std::min(static_cast<std::size_t>(std::max(threads, 1)), runs.size());
    try {
      while (helpers.size() + 1 < wanted) helpers.emplace_back(sort_runs);
    } catch (const std::system_error&) {  // no more threads to be had: fewer sort
    }
    sort_runs();
  }  // every helper joined
  if (failed) std::rethrow_exception(failed);
  for (auto& [group, group_runs] : unsorted) {
    for (std::vector<std::uint64_t>& run : group_runs) AddSortedRun(group, std::move(run));
  }
}

void FailureIdentities::AddRun(const FailureGroup& group, std::vector<std::uint64_t> hashes) {
  std::vector<std::uint64_t> scratch;
  SortHashes(hashes, scratch);
  AddSortedRun(group, std::move(hashes));
}

void FailureIdentities::AddSortedRun(const FailureGroup& group, std::vector<std::uint64_t> sorted) {
  HashRuns& runs = groups_[group];
  if (!sorted.empty()) runs.push_back(std::move(sorted));
}

std::int64_t FailureIdentities::Count(const FailureGroup& group, std::uint64_t hash) const {
  const auto it = groups_.find(group);
  if (it == groups_.end()) return 0;
  std::int64_t n = 0;
  for (const std::vector<std::uint64_t>& run : it->second) {
    const auto range = std::equal_range(run.begin(), run.end(), hash);
    n += range.second - range.first;
  }
  return n;
}

std::int64_t FailureIdentities::total() const {
  std::int64_t n = 0;
  for (const auto& [group, runs] : groups_) n += HashCount(runs);
  return n;
}

std::int64_t HashCount(const HashRuns& runs) {
  std::int64_t n = 0;
  for (const std::vector<std::uint64_t>& run : runs) n += static_cast<std::int64_t>(run.size());
  return n;
}

namespace {
constexpr auto kLater = [](const auto& a, const auto& b) { return a.hash > b.hash; };
}  // namespace

SortedHashes::SortedHashes(const HashRuns& runs) : runs_(runs) {
  for (std::size_t r = 0; r < runs.size(); ++r) {
    if (!runs[r].empty()) heads_.push_back({runs[r][0], r, 1});
  }
  std::make_heap(heads_.begin(), heads_.end(), kLater);
}

bool SortedHashes::Next(std::uint64_t* hash) {
  if (heads_.size() == 1) {  // most groups are one run: no heap to keep
    Head& head = heads_.front();
    *hash = head.hash;
    const std::vector<std::uint64_t>& run = runs_[head.run];
    if (head.at < run.size()) {
      head.hash = run[head.at++];
    } else {
      heads_.clear();
    }
    return true;
  }
  if (heads_.empty()) return false;
  std::pop_heap(heads_.begin(), heads_.end(), kLater);
  Head& head = heads_.back();
  *hash = head.hash;
  const std::vector<std::uint64_t>& run = runs_[head.run];
  if (head.at < run.size()) {
    head.hash = run[head.at++];
    std::push_heap(heads_.begin(), heads_.end(), kLater);
  } else {
    heads_.pop_back();
  }
  return true;
}

void EncodeIdentities(const HashRuns& runs, std::string* out) {
  // Written through a pointer into room for the longest form (ten bytes a hash), then cut: a
  // push_back per byte costs more than the encoding itself. The room is the caller's, kept from
  // one group to the next: fresh memory for each group cost a page fault per 4 KiB.
  out->resize(static_cast<std::size_t>(HashCount(runs)) * 10);
  char* const begin = out->data();
  char* at = begin;
  SortedHashes sorted(runs);
  std::uint64_t hash = 0;
  std::uint64_t previous = 0;
  while (sorted.Next(&hash)) {
    std::uint64_t v = hash - previous;
    previous = hash;
    while (v >= 0x80) {
      *at++ = static_cast<char>((v & 0x7F) | 0x80);
      v >>= 7;
    }
    *at++ = static_cast<char>(v);
  }
  out->resize(static_cast<std::size_t>(at - begin));
}

std::string EncodeIdentities(const HashRuns& runs) {
  std::string out;
  EncodeIdentities(runs, &out);
  return out;
}

bool DecodeIdentities(std::string_view bytes, std::int64_t count, std::vector<std::uint64_t>* out) {
  out->clear();
  if (count < 0 || static_cast<std::uint64_t>(count) > bytes.size()) return false;
  out->reserve(static_cast<std::size_t>(count));
  std::uint64_t previous = 0;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::uint64_t v = 0;
    int shift = 0;
    for (;;) {
      if (at == bytes.size() || shift > 63) return false;
      const auto byte = static_cast<unsigned char>(bytes[at++]);
      const std::uint64_t bits = byte & 0x7F;
      if (shift == 63 && bits > 1) return false;
      v |= bits << shift;
      if ((byte & 0x80) == 0) break;
      shift += 7;
    }
    previous += v;
    out->push_back(previous);
  }
  return static_cast<std::int64_t>(out->size()) == count;
}

}  // namespace history
