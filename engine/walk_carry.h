#pragma once
// What the walk of an input file gathers for the phases that come after both walks (the claims
// check and the reconciliation), so that each file is read once per run.
//
// The field-check walk of a file calls every tap of that file on each record it shows. The
// phases after the walks must see the whole file, so when the company check stops the field
// checks early the walk goes on to the end of the file for the taps alone. A tap never throws:
// an error it meets is kept and raised by its phase at the point where that phase would have
// met it reading the file itself, after the findings that came before it, and under the phase's
// own table object (a field the risks file lacks is tbRiscos', one the claims file lacks
// tbSinistros', though the walk reads both through tbDados). A phase whose tap was
// not filled (the file was not walked, a standalone call in a test, a walk that ended early)
// drives the same tap over the file itself.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "tables/dbf_table.h"

namespace engine {

struct RunContext;

class RecordTap {
 public:
  virtual ~RecordTap() = default;
  // A record the walk shows: its physical number and its bytes, deletion flag first. May be
  // called on another thread than the walk's (one thread for all records of a walk, in order).
  virtual void Take(std::uint32_t recno, std::string_view record) = 0;
  // The walk reached the end of the file: only now may a phase use what the tap gathered.
  virtual void Finish() = 0;
};

// The key index of the risks file, built on a thread of its own from the policy keys as soon
// as the risks walk gathered them (engine/claims_policy.h), while the run goes on.
class EarlyIndex {
 public:
  virtual ~EarlyIndex() = default;
};

struct WalkCarry {
  // Of the risks file: the policy keys for the index, the premium sums and inverted coverages.
  std::unique_ptr<RecordTap> policy_keys;
  std::unique_ptr<RecordTap> premiums;
  // Of the claims file: the claims' keys for the look-ups and the paid-claims sums.
  std::unique_ptr<RecordTap> claim_keys;
  std::unique_ptr<RecordTap> claim_sums;
  // Last: it reads the policy keys until it is gone.
  std::unique_ptr<EarlyIndex> index;
};

// Starts the taps of the file ctx.tables.tbDados holds (open, on its first record) and keeps
// them in ctx.carry, replacing those of an earlier walk of the same file; none without a carry.
std::vector<RecordTap*> StartTaps(RunContext& ctx);

}  // namespace engine
