#include "engine/claims_policy.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "engine/coverage_period.h"
#include "engine/number_style.h"
#include "engine/open_reader.h"
#include "engine/record_key.h"
#include "engine/record_set.h"
#include "engine/report.h"
#include "engine/scratch_file.h"
#include "engine/text.h"
#include "platform/exclusive_file.h"
#include "platform/interrupt_cleanup.h"
#include "platform/unique_name.h"
#include "tables/dbf_values.h"
#include "tables/key_index.h"
#include "tables/ntx_format.h"
#include "tables/ntx_runs.h"
#include "tables/table_error.h"

namespace engine {
namespace {

constexpr std::string_view kIndexName = "apolice";
constexpr std::string_view kIndexFile = "apolice.ntx";
constexpr std::string_view kKeyExpression = "apolice+item";
constexpr int kTempNameAttempts = 16;
// Sort memory of one batch of claims' keys, and the read buffers of all runs while merging.
constexpr std::size_t kClaimSortBudget = 256 * 1024;
constexpr std::size_t kClaimMergeBudget = 4 * 1024 * 1024;

// Deletes the index file when the check leaves, and has it deleted should the process be
// interrupted meanwhile; a failed delete goes unreported.
class IndexFileRemover {
 public:
  IndexFileRemover() = default;
  ~IndexFileRemover() { RemoveNow(); }
  IndexFileRemover(const IndexFileRemover&) = delete;
  IndexFileRemover& operator=(const IndexFileRemover&) = delete;

  void Track(const std::string& path) {
    path_ = path;
    on_interrupt_ = platform::RemoveOnInterrupt(path);
  }
  void RemoveNow() {
    const platform::DeferInterrupts defer;  // deleted and unregistered as one step
    if (!path_.empty()) platform::DeleteFile(path_);
    path_.clear();
    on_interrupt_.Release();
  }

 private:
  std::string path_;
  platform::RemoveOnInterrupt on_interrupt_;
};

enum class BuildOutcome { kBuilt, kNotCreated, kNotWritten };

// Creates the index file at `path` (never through a link; a leftover no one holds is replaced)
// and builds the index into it. A file that could not be written is removed again.
BuildOutcome BuildAt(const std::string& path, tables::KeyIndex& index, IndexFileRemover& remover,
                     tables::KeyCollection* collected, tables::KeyProbe* probe,
                     std::string* reason) {
  std::optional<platform::ExclusiveFile> file;
  {
    const platform::DeferInterrupts defer;  // created and registered as one step
    file = platform::ExclusiveFile::CreateTemporary(path, reason);
    if (!file) return BuildOutcome::kNotCreated;
    remover.Track(path);
  }
  index.SetFileName(path);
  if (index.TryCreate(std::move(*file), reason, collected, probe)) return BuildOutcome::kBuilt;
  remover.RemoveNow();
  return BuildOutcome::kNotWritten;
}

// Builds the index in "apolice.ntx" in the program's folder or, when another run holds that
// file or it cannot be created or written there (no permission, a full disk), in a file of a
// unique name in the system's temporary folder. Throws the index's create error with the
// system's reason for the last failure when neither place serves.
void BuildIndex(const std::string& catalogue_folder, tables::KeyIndex& index,
                IndexFileRemover& remover, tables::KeyCollection* collected,
                tables::KeyProbe* probe) {
  std::string reason;
  if (BuildAt(catalogue_folder + std::string(kIndexFile), index, remover, collected, probe,
              &reason) == BuildOutcome::kBuilt) {
    return;
  }
  std::vector<tables::FolderFailure> tried{{catalogue_folder, reason}};
  const std::string temp_folder = platform::TempFolder();
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    const BuildOutcome outcome = BuildAt(temp_folder + platform::UniqueName(kIndexName, ".ntx"),
                                         index, remover, collected, probe, &reason);
    if (outcome == BuildOutcome::kBuilt) return;
    if (outcome == BuildOutcome::kNotWritten) break;  // a second full build would fail alike
  }
  tried.push_back({temp_folder, reason});
  tables::ThrowIndexCreateError(kIndexName, reason, std::move(tried));
}

// The text of a claim's field as the reader gives it: character fields with every position
// (trailing blanks kept), other kinds through their text conversion.
void AppendFieldText(const tables::DbfField& field, std::string_view record, std::string_view path,
                     char decimal_separator, std::string& out) {
  const std::string_view bytes = FieldBytes(field, record, path);
  if (field.type == tables::FieldType::kString) {
    out += tables::DbfText(bytes);
  } else {
    out += tables::DecodeField(field, bytes).AsString(decimal_separator);
  }
}

// The policy keys of the risks file for the index, gathered by its walk.
class PolicyKeys : public RecordTap {
 public:
  explicit PolicyKeys(std::unique_ptr<tables::KeyCollection> keys) : keys_(std::move(keys)) {}
  void Take(std::uint32_t recno, std::string_view record) override { keys_->Add(recno, record); }
  void Finish() override { keys_->Finish(); }
  tables::KeyCollection* collection() { return keys_.get(); }

 private:
  std::unique_ptr<tables::KeyCollection> keys_;
};

// The claims' search texts (APOLICE then ITEM, as the reader gives them) with their record
// numbers, sorted in bounded runs in a scratch file. Gathered by the walk, they are answered
// while the index is built, in one pass along its keys; gathered later, they are looked up in
// key order, each page read once, instead of one random search per claim. Each entry holds
// what the search compares: the text cut to the index's key size and NUL-padded, then the
// length compared (a shorter text matches every key it begins), in two bytes.
class ClaimKeys : public RecordTap, public tables::KeyProbe {
 public:
  // Null when the file lacks APOLICE or ITEM (the check raises that error itself) or the scratch
  // file cannot be made (`*reason` then says why).
  static std::unique_ptr<ClaimKeys> Start(const tables::DbfTable& sinistros, std::size_t key_size,
                                          char separator, const std::string& catalogue_folder,
                                          std::string* reason) {
    const int apolice = sinistros.FieldIndex("APOLICE");
    const int item = sinistros.FieldIndex("ITEM");
    if (apolice < 0 || item < 0) return nullptr;
    std::optional<platform::ExclusiveFile> scratch =
        CreateScratchFile("sinistros", catalogue_folder, reason);
    if (!scratch) return nullptr;
    return std::unique_ptr<ClaimKeys>(new ClaimKeys(std::move(*scratch), sinistros.Fields(apolice),
                                                    sinistros.Fields(item), sinistros.FileName(),
                                                    key_size, separator));
  }

  void Take(std::uint32_t recno, std::string_view record) override {
    if (error_ || broken_) return;
    try {
      text_.clear();
      AppendFieldText(apolice_, record, path_, separator_, text_);
      AppendFieldText(item_, record, path_, separator_, text_);
    } catch (...) {
      error_ = std::current_exception();  // raised after the misses of the claims before it
      return;
    }
    tables::KeyProbe::MakeEntry(text_, key_size_, entry_.data());
    broken_ = !runs_.Add(entry_.data(), recno);
  }
  void Finish() override {
    if (!broken_ && !complete_) complete_ = runs_.Finish();
    if (!complete_) broken_ = true;
  }
  bool complete() const { return complete_; }
  bool usable(std::size_t key_size) const { return complete_ && key_size == key_size_; }

  // As a probe of the index build.
  tables::ntx::SortedRuns& Texts() override { return runs_; }
  void Restart() override {
    missing_ = RecordSet();
    answered_ = false;
  }
  void Missing(std::uint32_t recno) override { missing_.Add(recno); }
  void Answered(bool read_back) override {
    answered_ = true;
    read_back_ = read_back;
  }
  // The claims the build found no policy for, once it answered them all (null before). Throws
  // the read-back error when the keys could not be read back; the error a claim's key met is
  // raised apart (RaiseKeptError), once the misses before it are told.
  const RecordSet* Answers() const {
    if (!answered_) return nullptr;
    if (!read_back_) ThrowKeysNotReadBack();
    return &missing_;
  }

  // Looks every claim up in key order; the records not found go to `missing`. Throws the index's
  // read-back error, or the error a claim's key met, after every claim before it was looked up.
  void LookUp(tables::KeyIndex& index, RecordSet& missing) {
    runs_.StartMerge(kClaimMergeBudget);
    const unsigned char* entry = nullptr;
    std::uint32_t recno = 0;
    while (runs_.Next(&entry, &recno)) {
      const std::size_t n = tables::ntx::ProbeTextLength(entry, key_size_);
      const std::string_view text(reinterpret_cast<const char*>(entry), n);
      if (!index.HasKey(text)) missing.Add(recno);
    }
    if (runs_.failed()) ThrowKeysNotReadBack();
  }
  void RaiseKeptError() const {
    if (error_) std::rethrow_exception(error_);
  }

 private:
  [[noreturn]] static void ThrowKeysNotReadBack() {
    tables::ThrowIndexCreateError(kIndexName, "the claims' keys could not be read back");
  }

  ClaimKeys(platform::ExclusiveFile scratch, tables::DbfField apolice, tables::DbfField item,
            std::string path, std::size_t key_size, char separator)
      : scratch_(std::move(scratch)),
        apolice_(std::move(apolice)),
        item_(std::move(item)),
        path_(std::move(path)),
        key_size_(key_size),
        separator_(separator),
        runs_(scratch_, 0, key_size + 2, kClaimSortBudget),
        entry_(key_size + 2) {}

  platform::ExclusiveFile scratch_;
  tables::DbfField apolice_;
  tables::DbfField item_;
  std::string path_;
  std::size_t key_size_;
  char separator_;
  tables::ntx::SortedRuns runs_;  // writes into scratch_
  std::vector<unsigned char> entry_;
  std::string text_;
  std::exception_ptr error_;
  bool broken_ = false;
  bool complete_ = false;
  RecordSet missing_;  // the answers of the build
  bool answered_ = false;
  bool read_back_ = false;
};

// The index of the risks file built on a thread of its own, from the keys the risks walk
// gathered, as soon as that walk ends: the claims walk goes on meanwhile, and the claims check
// waits for the index instead of building it. The build is the check's own (the same file in the
// same place); what it meets is kept and raised by the check where its own build would have met
// it. Without a check the index file goes with this object. The claims, walked later, are
// answered from the file along its keys (KeyIndex::AnswerProbe), so the build keeps no pages.
class IndexBuild : public EarlyIndex {
 public:
  IndexBuild(RunContext& ctx, tables::KeyCollection& keys)
      : index_(riscos_, std::string(kIndexName)) {
    // Its own reader of the risks file, for the index's fields; the check's readers are the run's.
    ctx.risk_file.OpenTable(riscos_, ctx.risk_path);
    index_.SetKeyExpression(std::string(kKeyExpression));
    index_.SetKeepPages(false);
    thread_ = std::thread([this, folder = ctx.catalogue_folder, &keys] {
      try {
        BuildIndex(folder, index_, remover_, &keys, nullptr);
      } catch (...) {
        error_ = std::current_exception();
      }
    });
  }
  ~IndexBuild() override {
    if (thread_.joinable()) thread_.join();
  }
  IndexBuild(const IndexBuild&) = delete;
  IndexBuild& operator=(const IndexBuild&) = delete;

  // Waits for the build and raises what it met.
  tables::KeyIndex& Wait() {
    if (thread_.joinable()) thread_.join();
    if (error_) std::rethrow_exception(error_);
    return index_;
  }

 private:
  // In this order, so that leaving closes the index, then the reader, then deletes the file.
  IndexFileRemover remover_;
  tables::DbfTable riscos_{"tbRiscos", true};
  tables::KeyIndex index_;
  std::exception_ptr error_;
  std::thread thread_;
};

std::string ResultLine(std::int64_t misses, std::int32_t regSinistros, const Regional& regional) {
  // The product in 64 bits: 21,474,837 misses or more would overflow 32.
  const long double share = regSinistros == 0 ? 0.0L
                                              : static_cast<long double>(misses * 100) /
                                                    static_cast<long double>(regSinistros);
  return std::to_string(misses) + Ansi(" sinistros sem apólice no período, num total de ") +
         std::to_string(regSinistros) + " sinistros (" +
         FormatNumber(static_cast<double>(share), 2, regional) + "%).";
}

}  // namespace

std::unique_ptr<RecordTap> StartPolicyKeys(RunContext& ctx, const tables::DbfTable& riscos) {
  std::optional<platform::ExclusiveFile> scratch =
      CreateScratchFile(kIndexName, ctx.catalogue_folder);
  if (!scratch) return nullptr;  // the index build reads the file itself
  std::unique_ptr<tables::KeyCollection> keys =
      tables::KeyCollection::Start(riscos, kKeyExpression, std::move(*scratch));
  if (!keys) return nullptr;
  return std::make_unique<PolicyKeys>(std::move(keys));
}

std::unique_ptr<RecordTap> StartClaimKeys(RunContext& ctx, const tables::DbfTable& sinistros) {
  auto* policy =
      ctx.carry == nullptr ? nullptr : static_cast<PolicyKeys*>(ctx.carry->policy_keys.get());
  if (policy == nullptr || policy->collection() == nullptr) return nullptr;
  const std::size_t key_size = policy->collection()->key_size();
  return ClaimKeys::Start(sinistros, key_size, ctx.regional.decimal_separator, ctx.catalogue_folder,
                          nullptr);
}

void StartIndexBuild(RunContext& ctx) {
  WalkCarry* carry = ctx.carry;
  auto* policy = carry == nullptr ? nullptr : static_cast<PolicyKeys*>(carry->policy_keys.get());
  if (policy == nullptr || policy->collection() == nullptr || !policy->collection()->complete()) {
    return;  // the check builds the index itself
  }
  try {
    carry->index = std::make_unique<IndexBuild>(ctx, *policy->collection());
  } catch (const std::exception&) {
    // The risks file cannot be opened again: the check meets that itself.
  }
}

void CheckClaimsWithoutPolicy(RunContext& ctx) {
  RunTables& t = ctx.tables;
  // Declared in this order so that leaving closes the index, then the readers, then deletes
  // the index file.
  IndexFileRemover remover;
  tables::DbfTable& tbRiscos = t.tbRiscos;
  tables::DbfTable& tbSinistros = t.tbSinistros;
  OpenReader open_riscos(tbRiscos, ctx.risk_path, ctx.risk_file);
  OpenReader open_sinistros(tbSinistros, ctx.claims_path, ctx.claims_file);

  WalkCarry* carry = ctx.carry;
  auto* policy = carry == nullptr ? nullptr : static_cast<PolicyKeys*>(carry->policy_keys.get());
  auto* walked = carry == nullptr ? nullptr : static_cast<ClaimKeys*>(carry->claim_keys.get());
  if (walked != nullptr && !walked->complete()) walked = nullptr;
  // An index built early goes when the check leaves, as its own would.
  auto* early = carry == nullptr ? nullptr : static_cast<IndexBuild*>(carry->index.get());
  struct DropEarly {
    WalkCarry* carry;
    ~DropEarly() {
      if (carry != nullptr) carry->index.reset();
    }
  } const drop_early{early != nullptr ? carry : nullptr};
  tables::KeyIndex own_index(tbRiscos, std::string(kIndexName));
  tables::KeyIndex& index = early != nullptr ? early->Wait() : own_index;
  if (early == nullptr) {
    own_index.SetKeyExpression(std::string(kKeyExpression));
    BuildIndex(ctx.catalogue_folder, own_index, remover,
               policy == nullptr ? nullptr : policy->collection(), walked);
  }
  if (carry != nullptr) carry->policy_keys.reset();  // its merge buffers, before the claims'

  std::int64_t misses = 0;
  tbSinistros.First();
  if (!tbSinistros.Eof()) {
    const int apolice = RequireField(tbSinistros, "APOLICE");
    const int item = RequireField(tbSinistros, "ITEM");
    const char separator = ctx.regional.decimal_separator;
    std::unique_ptr<ClaimKeys> own;
    RecordSet looked_up;
    const RecordSet* answers = walked == nullptr ? nullptr : walked->Answers();
    if (answers == nullptr) {
      if (walked == nullptr || !walked->usable(index.KeySize())) {
        // The claims file was not walked with this index in view: its keys are gathered now.
        std::string reason;
        own = ClaimKeys::Start(tbSinistros, index.KeySize(), separator, ctx.catalogue_folder,
                               &reason);
        if (!own) tables::ThrowIndexCreateError(kIndexName, reason);
        for (; !tbSinistros.Eof(); tbSinistros.Next()) {
          own->Take(tbSinistros.RecNo(), tbSinistros.Record());
        }
        own->Finish();
        if (!own->usable(index.KeySize())) {
          tables::ThrowIndexCreateError(kIndexName, "the claims' keys could not be written");
        }
        walked = own.get();
      }
      if (early != nullptr && index.AnswerProbe(*walked)) {
        answers = walked->Answers();  // from the file built early, along its keys
      } else {
        walked->LookUp(index, looked_up);
        answers = &looked_up;
      }
    }
    const RecordSet& missing = *answers;

    // Told in record order, each claim read again from its record: with threads to spare, the
    // records are read ahead on one of them.
    std::string key;
    const RecordKeyColumns keys(tbSinistros);
    const auto tell = [&](std::uint32_t recno) {
      const std::string_view record = tbSinistros.Record();
      const std::string& path = tbSinistros.FileName();
      key.clear();
      AppendFieldText(tbSinistros.Fields(apolice), record, path, separator, key);
      const std::size_t apolice_length = key.size();
      AppendFieldText(tbSinistros.Fields(item), record, path, separator, key);
      const std::string_view both(key);
      ctx.findings->ClaimWithoutPolicy(recno, keys.Read(tbSinistros),
                                       both.substr(0, apolice_length), both.substr(apolice_length));
    };
    if (ctx.findings == nullptr) {
      missing.ForEach([&](std::uint32_t) { ++misses; });
    } else {
      tbSinistros.VisitInOrder([&](const auto& take) { missing.ForEach(take); },
                               [&](std::uint32_t recno) {
                                 ++misses;
                                 tell(recno);
                               },
                               ctx.walk_threads > 1);
    }
    walked->RaiseKeptError();
  }
  ctx.state.result.claims_without_policy =
      ClaimsWithoutPolicyResult{misses, ctx.state.regSinistros};

  RunHost& host = ctx.host;
  host.AppendLine(kRuleLine);
  host.AppendLine("");
  host.AppendLine(ResultLine(misses, ctx.state.regSinistros, ctx.regional));
  host.AppendLine("");
}

}  // namespace engine
