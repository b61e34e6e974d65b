#pragma once
// The identity of every failure of a run, kept compactly: per group (file, field, check) the
// 64-bit hashes of the failing records' APOLICE, ENDOSSO and ITEM, one per failure, so that a
// later run can tell which failures were fixed, which are new and which stayed. Record numbers
// are left out on purpose: they move when records are added or removed. An identity repeated in
// a group (two failing records with one key) is kept as many times as it occurs.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/findings.h"

namespace history {

// The row label of the failures that are not about one field (as the failure list names them).
inline constexpr std::string_view kClaimKeyField = "APOLICE+ITEM";
inline constexpr std::string_view kCoverageStartField = "INICIO_VIG";

struct FailureGroup {
  engine::FindingFile file = engine::FindingFile::kRiscos;
  std::string field;  // Windows-1252, as the reader names it; empty for a header finding
  engine::FindingCheck check = engine::FindingCheck::kNulo;
  auto operator<=>(const FailureGroup&) const = default;
};

// The hash of a record's key, its texts without trailing blanks (the width a field is padded to
// is no part of the key). Stable across versions and systems: it is stored.
std::uint64_t IdentityHash(std::string_view apolice, std::string_view endosso,
                           std::string_view item);
inline std::uint64_t IdentityHash(const engine::RecordKey& key) {
  return IdentityHash(key.apolice, key.endosso, key.item);
}

// One group's hashes as sorted runs: the blocks a run's walk filled, each sorted in place, or the
// one run a stored group decodes to. Together they are the group's multiset; SortedHashes reads
// them in order. Kept apart rather than joined: joining would hold a run's millions of hashes
// twice, at the end of the walk, when memory is scarcest.
using HashRuns = std::vector<std::vector<std::uint64_t>>;

class FailureIdentities {
 public:
  using Groups = std::map<FailureGroup, HashRuns>;

  FailureIdentities() = default;
  // Every group's runs as gathered, each sorted in place, on `threads` threads (the run's walk's)
  // with a sorting room each: fresh room for each run would cost a page fault per 4 KiB of every
  // one.
  explicit FailureIdentities(Groups unsorted, int threads = 1);

  // Adds a run of the group's hashes, sorting it in place.
  void AddRun(const FailureGroup& group, std::vector<std::uint64_t> hashes);
  // Adds a run already sorted (a stored group decoded).
  void AddSortedRun(const FailureGroup& group, std::vector<std::uint64_t> sorted);

  const Groups& groups() const { return groups_; }
  // How often `hash` occurs in `group`.
  std::int64_t Count(const FailureGroup& group, std::uint64_t hash) const;
  // Every failure of every group.
  std::int64_t total() const;

 private:
  Groups groups_;
};

// How many hashes the runs hold.
std::int64_t HashCount(const HashRuns& runs);

// A group's hashes in ascending order, repeated ones as often as they occur, merged from its runs.
class SortedHashes {
 public:
  explicit SortedHashes(const HashRuns& runs);
  // The next hash; false when every one was read.
  bool Next(std::uint64_t* hash);

 private:
  struct Head {
    std::uint64_t hash;
    std::size_t run;
    std::size_t at;  // the place of the run's next hash
  };
  const HashRuns& runs_;
  std::vector<Head> heads_;  // a heap, least hash first
};

// A group's sorted hashes as stored: the first as a varint, then each difference to the one
// before (0 for a repeated identity) as a varint (7 bits a byte, low first, high bit: more).
std::string EncodeIdentities(const HashRuns& runs);
// The same into `*out`, whose memory is reused.
void EncodeIdentities(const HashRuns& runs, std::string* out);
// Back from EncodeIdentities(); false when the bytes are cut short, run past 64 bits or hold
// another number of hashes than `count` (a damaged row).
bool DecodeIdentities(std::string_view bytes, std::int64_t count, std::vector<std::uint64_t>* out);

}  // namespace history
