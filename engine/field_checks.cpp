#include "engine/field_checks.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/check_pipeline.h"
#include "engine/field_checks_date.h"
#include "engine/field_checks_walker.h"
#include "engine/rule_set.h"
#include "engine/saturated.h"
#include "engine/structure_check.h"
#include "engine/tap_threads.h"
#include "engine/text.h"
#include "engine/walk_progress.h"
#include "engine/walk_taps.h"
#include "tables/dbf_format.h"
#include "tables/table_error.h"

namespace engine {
namespace {

// The field checks of a walk on worker threads: each worker reads its chunks from the file and
// has its own walker, company check and copy of the rules for its counters; the walk's walker
// replays what they met in file order, the counters are added to the walk's rules as each chunk
// is replayed, and the chunk's records then go to the taps as they lie.
class ParallelChecks {
 public:
  ParallelChecks(RunContext& ctx, RuleSet& rules, const DomainSet& domains, RecordWalker& teller,
                 int threads, CompanyCheck& company, WalkProgress& progress, TapThreads* taps)
      : ctx_(ctx),
        rules_(rules),
        teller_(teller),
        company_(company),
        progress_(progress),
        taps_(taps),
        file_(ctx.tables.tbDados),
        record_length_(file_.RecordLength()),
        skip_deleted_(file_.set_deleted()) {
    // With a sink that offers parts, the workers count the findings in them; the walk's thread
    // then tells each finding only to a sink that still hears each one.
    FindingSink* sink = ctx.findings;
    first_part_ = sink != nullptr ? sink->NewChunkPart() : nullptr;
    tell_sink_ = sink != nullptr && (first_part_ == nullptr || first_part_->SinkHearsEach());
    CheckPipeline::NewPart new_part;
    if (first_part_ != nullptr) {
      new_part = [this, sink]() -> std::unique_ptr<ChunkPart> {
        return first_part_ != nullptr ? std::move(first_part_) : sink->NewChunkPart();
      };
    }
    for (int w = 0; w < threads; ++w) {
      auto worker = std::make_unique<Worker>(ctx, rules);
      worker->walker.emplace(ctx, worker->rules, domains, &worker->events);
      workers_.push_back(std::move(worker));
    }
    pipeline_.emplace(
        workers_.size(), [this](std::size_t w, CheckChunk& chunk) { Check(*workers_[w], chunk); },
        [this](CheckChunk& chunk) { return Replay(chunk); }, std::move(new_part));
  }

  // Every record of the file, as the table's walk shows them. False when the company check
  // stopped the walk: the table is then on the record of another company.
  bool Walk() {
    // The records the file holds, as the table's own walk counts them.
    const std::uint64_t held = std::min<std::uint64_t>(file_.HeaderCheck().held,
                                                       std::numeric_limits<std::uint32_t>::max());
    const std::uint64_t per_chunk = std::max<std::uint64_t>(
        1, CheckPipeline::kChunkBytes / std::max<std::size_t>(1, record_length_));
    for (std::uint64_t first = 1; first <= held && !pipeline_->stopped(); first += per_chunk) {
      pipeline_->Add(static_cast<std::uint32_t>(first),
                     static_cast<std::uint32_t>(std::min(per_chunk, held - first + 1)));
    }
    pipeline_->Drain();
    return !pipeline_->stopped();
  }

 private:
  struct Worker {
    Worker(RunContext& ctx, const RuleSet& walk_rules) : rules(walk_rules), company(ctx) {}
    RuleSet rules;
    CompanyCheck company;
    std::vector<CheckEvent> events;
    std::optional<RecordWalker> walker;
  };

  std::string_view RecordOf(const CheckChunk& chunk, std::uint32_t index) const {
    const std::size_t at = chunk.recnos[index] - chunk.first;
    return {chunk.bytes.data() + at * record_length_, record_length_};
  }

  // On a worker's thread.
  void Check(Worker& worker, CheckChunk& chunk) const {
    try {
      worker.walker->CountIn(chunk.part.get(), tell_sink_);
      chunk.bytes.resize(std::size_t{chunk.count} * record_length_);
      if (file_.ReadRecordsAt(chunk.first, chunk.count, chunk.bytes.data()) < chunk.count) {
        tables::ThrowChangedWhileRead(file_.FileName());  // the file held them when opened
      }
      for (std::uint32_t i = 0; i < chunk.count; ++i) {
        const std::string_view record(chunk.bytes.data() + std::size_t{i} * record_length_,
                                      record_length_);
        if (skip_deleted_ && record.front() == tables::dbf::kDeletedFlag) continue;
        const std::uint32_t recno = chunk.first + i;
        chunk.recnos.push_back(recno);
        if (!worker.company.MatchesRecord(record)) {
          chunk.company_stop = true;
          break;
        }
        worker.walker->CheckRecord(record, recno,
                                   static_cast<std::uint32_t>(chunk.recnos.size() - 1));
      }
    } catch (...) {
      chunk.error = std::current_exception();
    }
    chunk.events.swap(worker.events);
    worker.events.clear();
    worker.rules.TakeCounters(chunk.counters);
    chunk.records_failed = worker.walker->TakeRecordsFailed();
  }

  // On the walk's thread, chunk after chunk in file order.
  bool Replay(CheckChunk& chunk) {
    // Every record shown is counted, the one that stops the walk too; a count that cannot grow
    // further stays at its maximum.
    CountUp(ctx_.state.numRegistros, static_cast<std::int64_t>(chunk.recnos.size()));
    for (const CheckEvent& event : chunk.events) {
      teller_.Replay(RecordOf(chunk, event.index()), chunk.recnos[event.index()], event);
    }
    if (chunk.part != nullptr) chunk.part->Merge();
    rules_.AddCounters(chunk.counters);
    teller_.AddRecordsFailed(chunk.records_failed);
    if (chunk.error) std::rethrow_exception(chunk.error);
    if (chunk.company_stop) {
      file_.GoTo(chunk.recnos.back());
      company_.ReportMismatch();
      if (taps_ != nullptr) {
        taps_->AddSpan(chunk.first, chunk.bytes, chunk.recnos, chunk.recnos.size() - 1);
      }
      return false;
    }
    progress_.Advance(chunk.count, chunk.first + chunk.count - 1);
    if (taps_ != nullptr) {
      taps_->AddSpan(chunk.first, chunk.bytes, chunk.recnos, chunk.recnos.size());
    }
    return true;
  }

  RunContext& ctx_;
  RuleSet& rules_;
  RecordWalker& teller_;
  CompanyCheck& company_;
  WalkProgress& progress_;
  TapThreads* taps_;
  tables::DbfTable& file_;
  std::size_t record_length_;
  bool skip_deleted_;
  bool tell_sink_ = true;                  // a failure is still told on the walk's thread
  std::unique_ptr<ChunkPart> first_part_;  // asked for first, the first chunk's
  std::vector<std::unique_ptr<Worker>> workers_;
  std::optional<CheckPipeline> pipeline_;  // last: stopped before the workers' walkers go
};

// The sink's part of a walk on the walk's own thread: the records are read one at a time, so
// the part counts as many as a worker's chunk holds before it is merged, as on the workers.
class InOrderParts {
 public:
  InOrderParts(RunContext& ctx, RecordWalker& walker)
      : part_(ctx.findings != nullptr ? ctx.findings->NewChunkPart() : nullptr),
        per_part_(std::max<std::size_t>(
            1, CheckPipeline::kChunkBytes /
                   std::max<std::size_t>(1, ctx.tables.tbDados.RecordLength()))) {
    if (part_ != nullptr) walker.CountIn(part_.get(), part_->SinkHearsEach());
  }
  // A walk that ends in an error keeps what was counted, as the workers' walk does, unless the
  // merge itself failed.
  ~InOrderParts() {
    if (part_ != nullptr && !merging_ && std::uncaught_exceptions() > 0) {
      try {
        part_->Merge();
      } catch (...) {
      }
    }
  }
  InOrderParts(const InOrderParts&) = delete;
  InOrderParts& operator=(const InOrderParts&) = delete;

  // One more record checked.
  void Counted() {
    if (part_ != nullptr && ++counted_ == per_part_) Merge();
  }
  void Merge() {
    if (part_ == nullptr) return;
    counted_ = 0;
    merging_ = true;
    part_->Merge();
    merging_ = false;
  }

 private:
  std::unique_ptr<ChunkPart> part_;
  std::size_t per_part_;
  std::size_t counted_ = 0;
  bool merging_ = false;
};

}  // namespace

std::optional<int> DateYear(std::string_view text) {
  int year = 0;
  int month = 0;
  int day = 0;
  if (!SplitDate(text, &year, &month, &day)) return std::nullopt;
  return year;
}

bool ValidaData(RunContext& ctx, std::string_view text, const DatePlace* place) {
  const DateVerdict verdict = JudgeDate(text, ctx.current_year);
  if (verdict == DateVerdict::kImpossible) ShowInvalidDateNotice(ctx, text, place);
  return verdict == DateVerdict::kValid;
}

bool WalkRecords(RunContext& ctx, WalkRiders* riders) {
  tables::DbfTable& dados = ctx.tables.tbDados;
  tables::MemTable& estrut = ctx.tables.zelEstrutTab;
  estrut.SetIndexName("index2");
  RuleSet rules = RuleSet::Compile(estrut, ctx.state.numTabela, dados.FieldCount());
  const DomainSet domains = DomainSet::Compile(ctx.tables.zelAnexos, ctx.state.numTabela);

  bool completed = true;
  try {
    RecordWalker walker(ctx, rules, domains);
    CompanyCheck company(ctx);
    WalkProgress progress(
        ctx.host, Ansi("crítica dos campos: ") + std::string(Trimmed(ctx.state.nomeTabela)), dados);
    dados.First();
    const std::vector<RecordTap*> taps =
        riders != nullptr ? riders->Start(dados) : std::vector<RecordTap*>();
    // With two threads or more the taps run on threads of their own and the field checks on
    // workers; all are stopped with the walk should it throw.
    std::optional<TapThreads> tap_threads;
    if (!taps.empty() && ctx.walk_threads > 1) tap_threads.emplace(taps, dados.RecordLength());
    const auto feed = [&] {
      if (tap_threads) {
        tap_threads->Add(dados.RecNo(), dados.Record());
      } else {
        for (RecordTap* tap : taps) tap->Take(dados.RecNo(), dados.Record());
      }
    };
    if (ctx.walk_threads > 1 && walker.FieldsWithinRecord()) {
      ParallelChecks parallel(ctx, rules, domains, walker, ctx.walk_threads, company, progress,
                              tap_threads ? &*tap_threads : nullptr);
      completed = parallel.Walk();
    } else {
      InOrderParts parts(ctx, walker);
      for (; !dados.Eof(); dados.Next()) {
        CountUp(ctx.state.numRegistros, 1);
        if (!company.Matches()) {
          parts.Merge();  // what came before the record that stops the walk
          company.ReportMismatch();
          completed = false;
          break;
        }
        walker.CheckRecord(dados.Record(), dados.RecNo());
        parts.Counted();
        if (!taps.empty()) feed();
        progress.Step();
      }
      if (completed) parts.Merge();
    }
    ctx.state.numRegistrosComFalha = walker.records_failed();
    if (completed) progress.Done();
    // The phases after the walks need the whole file even when the company check stopped the
    // field checks: the rest of it is read for the taps alone, from the record that stopped.
    if (!taps.empty()) {
      if (!completed) {
        for (; !dados.Eof(); dados.Next()) feed();  // the table is on the record that stopped
      }
      if (tap_threads) {
        tap_threads->Finish();
      } else {
        for (RecordTap* tap : taps) tap->Finish();
      }
      riders->Fed();
    }
  } catch (...) {
    // An error ends the run, but the counters raised so far stay visible in the rule rows.
    try {
      rules.WriteBack(estrut);
    } catch (...) {
    }
    throw;
  }
  rules.WriteBack(estrut);
  return completed;
}

}  // namespace engine
