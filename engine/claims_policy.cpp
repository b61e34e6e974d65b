#include "engine/claims_policy.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/number_style.h"
#include "engine/open_reader.h"
#include "engine/record_key.h"
#include "engine/report.h"
#include "engine/text.h"
#include "platform/exclusive_file.h"
#include "platform/interrupt_cleanup.h"
#include "platform/unique_name.h"
#include "tables/dbf_values.h"
#include "tables/key_index.h"
#include "tables/table_error.h"

namespace engine {
namespace {

constexpr std::string_view kIndexName = "apolice";
constexpr std::string_view kIndexFile = "apolice.ntx";
constexpr std::string_view kKeyExpression = "apolice+item";
constexpr int kTempNameAttempts = 16;

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
                     std::string* reason) {
  std::optional<platform::ExclusiveFile> file;
  {
    const platform::DeferInterrupts defer;  // created and registered as one step
    file = platform::ExclusiveFile::CreateTemporary(path, reason);
    if (!file) return BuildOutcome::kNotCreated;
    remover.Track(path);
  }
  index.SetFileName(path);
  if (index.TryCreate(std::move(*file), reason)) return BuildOutcome::kBuilt;
  remover.RemoveNow();
  return BuildOutcome::kNotWritten;
}

// Builds the index in "apolice.ntx" in the program's folder or, when another run holds that
// file or it cannot be created or written there (no permission, a full disk), in a file of a
// unique name in the system's temporary folder. Throws the index's create error with the
// system's reason for the last failure when neither place serves.
void BuildIndex(const std::string& program_folder, tables::KeyIndex& index,
                IndexFileRemover& remover) {
  std::string reason;
  if (BuildAt(program_folder + std::string(kIndexFile), index, remover, &reason) ==
      BuildOutcome::kBuilt) {
    return;
  }
  const std::string temp_folder = platform::TempFolder();
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    const BuildOutcome outcome =
        BuildAt(temp_folder + platform::UniqueName(kIndexName, ".ntx"), index, remover, &reason);
    if (outcome == BuildOutcome::kBuilt) return;
    if (outcome == BuildOutcome::kNotWritten) break;  // a second full build would fail alike
  }
  tables::ThrowIndexCreateError(kIndexName, reason);
}

// The text of a claim's field as the reader gives it: character fields with every position
// (trailing blanks kept), other kinds through their text conversion.
void AppendFieldText(const tables::DbfTable& table, int i, char decimal_separator,
                     std::string& out) {
  if (table.Fields(i).type == tables::FieldType::kString) {
    out += tables::DbfText(table.RawField(i));
  } else {
    out += table.Value(i).AsString(decimal_separator);
  }
}

int RequireField(const tables::DbfTable& table, std::string_view name) {
  const int i = table.FieldIndex(name);
  if (i < 0) table.FieldByName(name);  // throws the field-not-found error
  return i;
}

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

void CheckClaimsWithoutPolicy(RunContext& ctx) {
  RunTables& t = ctx.tables;
  // Declared in this order so that leaving closes the index, then the readers, then deletes
  // the index file.
  IndexFileRemover remover;
  tables::DbfTable& tbRiscos = t.tbRiscos;
  tables::DbfTable& tbSinistros = t.tbSinistros;
  OpenReader open_riscos(tbRiscos, ctx.risk_path);
  OpenReader open_sinistros(tbSinistros, ctx.claims_path);

  tables::KeyIndex index(tbRiscos, std::string(kIndexName));
  index.SetKeyExpression(std::string(kKeyExpression));
  BuildIndex(ctx.program_folder, index, remover);

  std::int64_t misses = 0;
  tbSinistros.First();
  if (!tbSinistros.Eof()) {
    const int apolice = RequireField(tbSinistros, "APOLICE");
    const int item = RequireField(tbSinistros, "ITEM");
    const char separator = ctx.regional.decimal_separator;
    std::string key;
    const RecordKeyColumns keys(tbSinistros);
    for (; !tbSinistros.Eof(); tbSinistros.Next()) {
      key.clear();
      AppendFieldText(tbSinistros, apolice, separator, key);
      const std::size_t apolice_length = key.size();
      AppendFieldText(tbSinistros, item, separator, key);
      if (index.HasKey(key)) continue;  // only the answer counts; tbRiscos stays put
      ++misses;
      if (ctx.findings != nullptr) {
        const std::string_view both(key);
        ctx.findings->ClaimWithoutPolicy(tbSinistros.RecNo(), keys.Read(tbSinistros),
                                         both.substr(0, apolice_length),
                                         both.substr(apolice_length));
      }
    }
  }
  ctx.state.result.sem_apolice = ClaimsWithoutPolicyResult{misses, ctx.state.regSinistros};

  RunHost& host = ctx.host;
  host.AppendLine(kRuleLine);
  host.AppendLine("");
  host.AppendLine(ResultLine(misses, ctx.state.regSinistros, ctx.regional));
  host.AppendLine("");
}

}  // namespace engine
