#pragma once
// A run beside the company's run before it: the failures fixed, new and kept, per group (file,
// field, check) and in all, and the cross-file figures of both. A failure is the same failure
// when its file, field, check, APOLICE, ENDOSSO and ITEM are the same; an identity repeated in a
// group counts as many times as it occurs (two failures of one key before and three now: two
// kept, one new).

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "history/failure_identities.h"
#include "history/run_record.h"

namespace history {

// The run compared with, as the history holds it.
struct EarlierRun {
  std::int64_t id = 0;
  std::string inicio;
  std::string resultado;
  std::vector<InputStamp> entradas;
};

struct GroupComparison {
  FailureGroup group;
  std::int64_t antes = 0;
  std::int64_t agora = 0;
  std::int64_t corrigidas = 0;
  std::int64_t novas = 0;
  std::int64_t mantidas() const { return agora - novas; }
};

template <typename T>
struct BeforeNow {
  T antes{};
  T agora{};
};

struct RunComparison {
  EarlierRun anterior;
  std::int64_t corrigidas = 0;
  std::int64_t novas = 0;
  std::int64_t mantidas = 0;
  std::vector<GroupComparison> por_campo;  // every group failing in either run, in group order
  BeforeNow<std::optional<std::int64_t>> sem_apolice;
  BeforeNow<std::optional<std::int64_t>> vigencia_invertida;
  BeforeNow<std::vector<engine::ReconciliationSection>> conciliacao;
  // The earlier run's identities, shared with whoever looked the run up (never copied: a run's
  // millions of them): see NewFailureMarker.
  std::shared_ptr<const FailureIdentities> falhas_anteriores;
};

// `earlier`: the earlier run's figures and identities (shared by the result); `now`: this run's.
RunComparison CompareRuns(EarlierRun anterior, std::shared_ptr<const RunRecord> earlier,
                          const RunRecord& now);

// Tells the rows of this run's failure list apart: new or kept. Asked once per row, in the
// list's order: of the rows of one identity, as many as the earlier run had are kept, the rest
// are new.
class NewFailureMarker {
 public:
  // One group's earlier identities and the rows of it seen so far; stays put while the marker
  // lives, so a list may keep it per group rather than look the group up for each row.
  class Group {
   public:
    explicit Group(const HashRuns* earlier) : earlier_(earlier) {}
    bool IsNew(std::uint64_t hash);

   private:
    const HashRuns* earlier_;            // null: the earlier run had none
    std::vector<std::uint64_t> joined_;  // earlier_'s runs in one, when it has several
    // The rows seen of each earlier identity, at its first place among them (made at the
    // group's first kept row): an identity the earlier run lacks is new without counting.
    std::vector<std::uint32_t> seen_;
    // Where the earlier identities of each value of the top bits begin (made with seen_): the
    // hashes are spread evenly, so a row looks at one or two of them, not a binary search's 20.
    std::vector<std::uint32_t> buckets_;
    int shift_ = 64;
  };

  // `earlier` (sorted) must outlive the marker.
  explicit NewFailureMarker(const FailureIdentities& earlier) : earlier_(earlier) {}
  Group& Of(const FailureGroup& group);
  bool IsNew(const FailureGroup& group, std::uint64_t hash) { return Of(group).IsNew(hash); }

 private:
  const FailureIdentities& earlier_;
  std::map<FailureGroup, Group> groups_;
};

}  // namespace history
