#pragma once
// What the HTML report's failing values (outputs/failing_values.h) count of one chunk of a walk,
// on the thread that checks it (engine/findings.h, engine::ChunkPart): per field, its failing
// values in the order they first came, with their counts and the stream of them, and per field
// check the failures counted and the sample rows of the first ones. Merged into the report's
// counters in file order, with the same result as telling each finding there.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/findings.h"
#include "outputs/html_report_samples.h"

namespace outputs {

// Per file, field position and field check: whether the report's sample group has its share of
// rows. Set on the walk's thread, read by the parts on the workers, so that they make no rows
// that no one keeps. A flag seen late costs a row made in vain, never a row missed: the group
// filled up with chunks before the one being counted.
class SampleShares {
 public:
  static constexpr int kPositions = 4096;  // a field past it is always given its rows

  bool Full(engine::FindingFile file, int position, std::size_t check) const {
    const std::atomic<bool>* flag = Flag(file, position, check);
    return flag != nullptr && flag->load(std::memory_order_relaxed);
  }
  void SetFull(engine::FindingFile file, int position, std::size_t check) {
    if (std::atomic<bool>* flag = Flag(file, position, check)) {
      flag->store(true, std::memory_order_relaxed);
    }
  }

 private:
  static constexpr std::size_t kChecks = engine::kFieldCheckCount;
  std::atomic<bool>* Flag(engine::FindingFile file, int position, std::size_t check) const {
    if (position < 1 || position > kPositions || check >= kChecks) return nullptr;
    const std::size_t field = (file == engine::FindingFile::kRiscos ? 0 : std::size_t{kPositions}) +
                              static_cast<std::size_t>(position - 1);
    const std::size_t at = field * kChecks + check;
    return &flags_[at];
  }

  std::unique_ptr<std::atomic<bool>[]> flags_ =
      std::make_unique<std::atomic<bool>[]>(2 * std::size_t{kPositions} * kChecks);
};

class FailingValues;

class FailingValuesPart final : public engine::ChunkPart {
 public:
  // The failures of one field counted in the chunk.
  struct Field {
    engine::FindingFile file = engine::FindingFile::kRiscos;
    int position = 0;
    std::string name;  // as told
    // Its distinct values (trailing blanks trimmed) in the order they first came, kept in
    // `stored` as a finding's texts last only while it is told; how often each came, and the
    // stream of them as indexes into `values`.
    std::deque<std::string> stored;
    std::vector<std::string_view> values;
    std::vector<std::int64_t> counts;
    std::vector<std::uint32_t> sequence;
    std::uint32_t last = 0;  // the index of the last value counted: a file often repeats it
    // The record whose value was counted last (0: none yet in this chunk): a value that fails
    // several checks of its field (a blank: nulo and tamanho) counts once.
    std::uint32_t last_record = 0;
    // Per field check: failures counted, and the rows of the first ones unless the group had its
    // share before this chunk.
    std::array<std::int64_t, engine::kFieldCheckCount> failures{};
    std::array<std::vector<RecordSample>, engine::kFieldCheckCount> rows;
    // The values' places + 1 by hash (0: none), twice as many slots as values at least.
    std::vector<std::uint32_t> slots;
  };

  // `owner`: the sink it is merged into; `shares`: its groups' flags, which outlive the part.
  FailingValuesPart(FailingValues& owner, const SampleShares& shares)
      : owner_(owner), shares_(shares) {}

  void Count(const engine::FieldFinding& finding) override;
  void Merge() override;

  // The fields counted since the last Clear(), in the order first met.
  const std::vector<Field*>& fields() const { return counted_; }
  // Ready to count another chunk; the rows were moved out or are dropped.
  void Clear();

 private:
  Field& FieldOf(const engine::FieldFinding& finding);
  // The index of `value` in the field's values, counted once more.
  std::uint32_t IndexOf(Field& field, std::string_view value);
  // IndexOf() by the value's hash.
  std::uint32_t Find(Field& field, std::string_view value);

  FailingValues& owner_;
  const SampleShares& shares_;
  // By field position: a part counts the chunks of one walk, of one file. Each stays put, as
  // `counted_` points at it.
  std::vector<std::unique_ptr<Field>> by_position_;
  std::vector<Field*> counted_;
};

}  // namespace outputs
