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

class FailureIdentities {
 public:
  using Groups = std::map<FailureGroup, std::vector<std::uint64_t>>;

  // The group's hashes, to append to; sorted only after Sort().
  std::vector<std::uint64_t>& Of(const FailureGroup& group) { return groups_[group]; }
  void Add(const FailureGroup& group, std::uint64_t hash) { groups_[group].push_back(hash); }
  // Sorts every group's hashes: Count() and the comparison need them sorted.
  void Sort();

  const Groups& groups() const { return groups_; }
  // How often `hash` occurs in `group` (sorted).
  std::int64_t Count(const FailureGroup& group, std::uint64_t hash) const;
  // Every failure of every group.
  std::int64_t total() const;

 private:
  Groups groups_;
};

// A group's sorted hashes as stored: the first as a varint, then each difference to the one
// before (0 for a repeated identity) as a varint (7 bits a byte, low first, high bit: more).
std::string EncodeIdentities(const std::vector<std::uint64_t>& sorted);
// Back from EncodeIdentities(); false when the bytes are cut short, run past 64 bits or hold
// another number of hashes than `count` (a damaged row).
bool DecodeIdentities(std::string_view bytes, std::int64_t count, std::vector<std::uint64_t>* out);

}  // namespace history
