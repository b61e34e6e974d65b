#pragma once
// What the walk of an input file gathers for the phases that come after both walks (the claims
// check and the reconciliation), so that each file is read once per run. The run says which
// phases ride on each walk (WalkRiders); the walk knows only their taps.
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
#include <string_view>
#include <vector>

#include "tables/dbf_table.h"

namespace engine {

class RecordTap {
 public:
  virtual ~RecordTap() = default;
  // A record the walk shows: its physical number and its bytes, deletion flag first. May be
  // called on another thread than the walk's (one thread for all records of a walk, in order).
  virtual void Take(std::uint32_t recno, std::string_view record) = 0;
  // The walk reached the end of the file: only now may a phase use what the tap gathered.
  virtual void Finish() = 0;
};

// What rides on the walk of one file.
class WalkRiders {
 public:
  virtual ~WalkRiders() = default;
  // The taps of `file` (open, on its first record), each fed every record the walk shows.
  virtual std::vector<RecordTap*> Start(const tables::DbfTable& file) = 0;
  // The taps were fed the whole file and finished.
  virtual void Fed() {}
};

}  // namespace engine
