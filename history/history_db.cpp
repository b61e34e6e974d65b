#include "history/history_db.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "engine/text.h"
#include "history/history_schema.h"
#include "platform/private_file.h"
#include "platform/system_path.h"

namespace history {
namespace {

constexpr const char* kRunColumns =
    "SELECT id, inicio, versao, catalogo, empresa, empresa_nome, periodo_inicio, periodo_fim, "
    "resultado, erro, sem_apolice, sinistros, vigencia_invertida, falhas, anterior, corrigidas, "
    "novas, mantidas FROM runs ";

engine::TableOutcome OutcomeNamed(std::string_view name) {
  for (const auto outcome : {engine::TableOutcome::kRead, engine::TableOutcome::kCompanyFailed,
                             engine::TableOutcome::kInterrupted}) {
    if (engine::TableOutcomeName(outcome) == name) return outcome;
  }
  return engine::TableOutcome::kStructureFailed;
}

engine::FindingFile FileNamed(std::string_view name) {
  return name == engine::FindingFileName(engine::FindingFile::kSinistros)
             ? engine::FindingFile::kSinistros
             : engine::FindingFile::kRiscos;
}

std::optional<engine::FindingCheck> CheckNamed(std::string_view name) {
  for (int i = 0; i < engine::kFindingCheckCount; ++i) {
    const auto check = static_cast<engine::FindingCheck>(i);
    if (engine::FindingCheckName(check) == name) return check;
  }
  return std::nullopt;
}

StoredRun ReadRun(const Statement& s) {
  StoredRun run;
  run.id = s.Int(0);
  RunRecord& r = run.record;
  r.inicio = s.Text(1);
  r.versao = s.Text(2);
  r.catalogo = s.Text(3);
  r.empresa = s.Text(4);
  r.empresa_nome = s.OptionalText(5);
  if (!s.IsNull(6)) r.periodo = engine::ReportingPeriod{s.Text(6), s.Text(7)};
  r.resultado = s.Text(8);
  r.erro = s.OptionalText(9);
  if (!s.IsNull(10)) {
    r.sem_apolice =
        engine::ClaimsWithoutPolicyResult{s.Int(10), static_cast<std::int32_t>(s.Int(11))};
  }
  r.vigencia_invertida = s.OptionalInt(12);
  run.falhas = s.Int(13);
  run.anterior = s.OptionalInt(14);
  run.corrigidas = s.OptionalInt(15);
  run.novas = s.OptionalInt(16);
  run.mantidas = s.OptionalInt(17);
  return run;
}

void WriteDetails(const Connection& db, std::int64_t id, const RunRecord& run) {
  Statement entrada(db,
                    "INSERT INTO entradas (run, arquivo, caminho, tamanho, modificado) "
                    "VALUES (?, ?, ?, ?, ?)");
  for (const InputStamp& e : run.entradas) {
    entrada.Bind(1, id)
        .Bind(2, engine::FindingFileName(e.arquivo))
        .Bind(3, std::string_view(e.caminho))
        .Bind(4, e.tamanho)
        .Bind(5, e.modificado)
        .Run();
  }
  Statement tabela(db,
                   "INSERT INTO tabelas (run, tabela, nome, caminho, situacao, registros, "
                   "registros_com_falha) VALUES (?, ?, ?, ?, ?, ?, ?)");
  Statement campo(db,
                  "INSERT INTO campos (run, tabela, ordem, campo, erro_nulo, erro_dom) "
                  "VALUES (?, ?, ?, ?, ?, ?)");
  for (const engine::TableResult& t : run.tabelas) {
    tabela.Bind(1, id)
        .Bind(2, std::int64_t{t.numTabela})
        .Bind(3, std::string_view(t.nomeTabela))
        .Bind(4, std::string_view(t.path))
        .Bind(5, engine::TableOutcomeName(t.outcome))
        .Bind(6, std::int64_t{t.records})
        .Bind(7, t.records_failed)
        .Run();
    for (const engine::FieldCounters& c : t.fields) {
      campo.Bind(1, id)
          .Bind(2, std::int64_t{t.numTabela})
          .Bind(3, c.position)
          .Bind(4, std::string_view(c.field))
          .Bind(5, c.erroNulo)
          .Bind(6, c.erroDom)
          .Run();
    }
  }
  Statement veredito(db, "INSERT INTO veredito (run, lista, tipo, texto) VALUES (?, ?, ?, ?)");
  for (const auto& [lista, lines] : {std::pair{"motivo", &run.motivos}, {"aviso", &run.avisos}}) {
    for (const VerdictLine& line : *lines) {
      veredito.Bind(1, id)
          .Bind(2, std::string_view(lista))
          .Bind(3, std::string_view(line.tipo))
          .Bind(4, std::string_view(line.texto))
          .Run();
    }
  }
  Statement conciliacao(db,
                        "INSERT INTO conciliacao (run, secao, titulo, ramo, valor_kov, "
                        "valor_arquivo, diferenca) VALUES (?, ?, ?, ?, ?, ?, ?)");
  for (std::size_t i = 0; i < run.conciliacao.size(); ++i) {
    const engine::ReconciliationSection& section = run.conciliacao[i];
    for (const engine::ReconciliationRow& row : section.rows) {
      conciliacao.Bind(1, id)
          .Bind(2, static_cast<std::int64_t>(i))
          .Bind(3, std::string_view(section.title))
          .Bind(4, std::string_view(row.ramo))
          .Bind(5, row.kov_value)
          .Bind(6, row.file_value)
          .Bind(7, row.difference)
          .Run();
    }
  }
  Statement falha(db,
                  "INSERT INTO falhas (run, arquivo, campo, verificacao, quantidade, identidades) "
                  "VALUES (?, ?, ?, ?, ?, ?)");
  std::string blob;  // one group's identities at a time, its memory reused
  for (const auto& [group, hashes] : run.falhas.groups()) {
    const std::int64_t count = HashCount(hashes);
    if (count == 0) continue;
    EncodeIdentities(hashes, &blob);
    falha.Bind(1, id)
        .Bind(2, engine::FindingFileName(group.file))
        .Bind(3, std::string_view(group.field))
        .Bind(4, engine::FindingCheckName(group.check))
        .Bind(5, count)
        .BindBlobInPlace(6, blob)
        .Run();
  }
}

// The first bytes of every SQLite database; bytes 18 and 19 are 2 in WAL mode.
constexpr std::string_view kSqliteMagic("SQLite format 3\0", 16);
constexpr std::size_t kSqliteHeader = 100;

// Size and modification time of `path`; nullopt when it cannot be examined.
std::optional<std::pair<std::int64_t, std::int64_t>> SizeAndTime(const std::string& path) {
  const std::filesystem::path file = platform::FileSystemPath(path);
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec) return std::nullopt;
  const auto written = std::filesystem::last_write_time(file, ec);
  if (ec) return std::nullopt;
  return std::pair{static_cast<std::int64_t>(size),
                   static_cast<std::int64_t>(written.time_since_epoch().count())};
}

// Whether the file at `path` is a plain file holding an SQLite database, looked at without
// SQLite (which might leave files beside it); `*wal`: whether the database is in WAL mode.
void CheckIsDatabase(const std::string& path, bool* wal) {
  std::error_code ec;
  const auto status = std::filesystem::status(platform::FileSystemPath(path), ec);
  if (status.type() == std::filesystem::file_type::not_found) {
    throw HistoryError("the file does not exist");
  }
  if (!ec && status.type() == std::filesystem::file_type::directory) {
    throw HistoryError("it is a folder");
  }
  if (!ec && status.type() != std::filesystem::file_type::regular) {
    throw HistoryError("it is not a plain file (a device, a pipe or a socket)");
  }
  std::ifstream in(platform::FileSystemPath(path), std::ios::binary);
  if (!in.is_open()) throw HistoryError("the file cannot be opened");
  std::array<char, kSqliteHeader> header{};
  in.read(header.data(), header.size());
  if (static_cast<std::size_t>(in.gcount()) < header.size() ||
      std::string_view(header.data(), kSqliteMagic.size()) != kSqliteMagic) {
    throw HistoryError("it is not a history of talmero-criticar (not an SQLite database)");
  }
  *wal = header[18] == 2 && header[19] == 2;
}

}  // namespace

void Recording::Commit() { transaction_->Commit(); }

HistoryDb HistoryDb::Open(const std::string& path) {
  // Before SQLite creates it with the usual permissions; its journal files take the same.
  platform::CreatePrivateFile(path);
  Connection db(path);
  db.Exec(("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs)).c_str());
  db.Exec("PRAGMA foreign_keys = ON");
  // A new history only (an existing one keeps its own): a run's identities are megabytes of
  // blobs, written page by page into the log and again into the file; 64 KiB pages take a
  // sixteenth of the system calls 4 KiB ones do.
  db.Exec("PRAGMA page_size = 65536");
  {
    Statement wal(db, "PRAGMA journal_mode = WAL");
    if (!wal.Step() || wal.Text(0) != "wal") {
      throw HistoryError("the history cannot be put in WAL mode");
    }
  }
  db.Exec("PRAGMA synchronous = NORMAL");
  PrepareSchema(db);
  return HistoryDb(std::move(db));
}

HistoryDb HistoryDb::OpenReadOnly(const std::string& path) {
  bool wal = false;
  CheckIsDatabase(path, &wal);
  // No -wal file: no program has the history open, and the file holds it whole.
  std::error_code ec;
  const bool as_on_disk =
      wal && !std::filesystem::exists(platform::FileSystemPath(path + "-wal"), ec);
  const auto before = SizeAndTime(path);
  HistoryDb history(Connection::ReadOnly(path, as_on_disk && before.has_value()));
  if (as_on_disk && before) {
    history.read_as_on_disk_ = DiskState{path, before->first, before->second};
  }
  Connection& db = *history.db_;
  db.Exec(("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs)).c_str());
  const int version = SchemaVersion(db);
  if (version > kSchemaVersion) {
    throw HistoryError("the history was written by a newer version of the program (schema " +
                       std::to_string(version) + ")");
  }
  Statement runs(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'runs'");
  if (version < kSchemaVersion || !runs.Step()) {
    throw HistoryError(
        "it is not a history of talmero-criticar (an SQLite database without its tables)");
  }
  return history;
}

bool HistoryDb::ChangedWhileRead() const {
  if (!read_as_on_disk_) return false;
  const DiskState& then = *read_as_on_disk_;
  std::error_code ec;
  if (std::filesystem::exists(platform::FileSystemPath(then.path + "-wal"), ec)) return true;
  const auto now = SizeAndTime(then.path);
  return !now || now->first != then.size || now->second != then.written;
}

int HistoryDb::schema_version() const { return SchemaVersion(*db_); }

std::optional<StoredRun> HistoryDb::LatestRun(std::string_view empresa) {
  const std::string code(engine::Trimmed(empresa));
  if (code.empty()) return std::nullopt;
  std::int64_t id = 0;
  {
    Statement earlier(*db_,
                      "SELECT id FROM runs WHERE empresa = ? AND erro IS NULL "
                      "ORDER BY id DESC LIMIT 1");
    earlier.Bind(1, std::string_view(code));
    if (!earlier.Step()) return std::nullopt;
    id = earlier.Int(0);
  }
  return LoadRun(id, true);
}

Recording HistoryDb::Begin(const RunRecord& run) {
  // Looked up inside the run's transaction: no run of the company is recorded in between.
  Recording recording(*db_);
  std::shared_ptr<const StoredRun> earlier;
  if (!run.erro) {
    if (std::optional<StoredRun> latest = LatestRun(run.empresa)) {
      earlier = std::make_shared<const StoredRun>(std::move(*latest));
    }
  }
  Write(recording, run, std::move(earlier));
  return recording;
}

Recording HistoryDb::Begin(const RunRecord& run, std::shared_ptr<const StoredRun> earlier) {
  Recording recording(*db_);
  Write(recording, run, std::move(earlier));
  return recording;
}

void HistoryDb::Write(Recording& recording, const RunRecord& run,
                      std::shared_ptr<const StoredRun> earlier) {
  if (!run.erro && earlier != nullptr) {
    EarlierRun anterior{earlier->id, earlier->record.inicio, earlier->record.resultado,
                        earlier->record.entradas};
    recording.comparison_ = CompareRuns(
        std::move(anterior), std::shared_ptr<const RunRecord>(earlier, &earlier->record), run);
  }
  const std::optional<RunComparison>& c = recording.comparison_;
  Statement insert(*db_,
                   "INSERT INTO runs (inicio, versao, catalogo, empresa, empresa_nome, "
                   "periodo_inicio, periodo_fim, resultado, erro, sem_apolice, sinistros, "
                   "vigencia_invertida, falhas, anterior, corrigidas, novas, mantidas) "
                   "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  insert.Bind(1, std::string_view(run.inicio))
      .Bind(2, std::string_view(run.versao))
      .Bind(3, std::string_view(run.catalogo))
      .Bind(4, std::string_view(run.empresa))
      .Bind(5, run.empresa_nome)
      .Bind(6, run.periodo ? std::optional(run.periodo->inivig) : std::nullopt)
      .Bind(7, run.periodo ? std::optional(run.periodo->fimvig) : std::nullopt)
      .Bind(8, std::string_view(run.resultado))
      .Bind(9, run.erro)
      .Bind(10, run.sem_apolice ? std::optional(run.sem_apolice->without_policy) : std::nullopt)
      .Bind(11,
            run.sem_apolice ? std::optional<std::int64_t>(run.sem_apolice->claims) : std::nullopt)
      .Bind(12, run.vigencia_invertida)
      .Bind(13, run.falhas.total())
      .Bind(14, c ? std::optional(c->anterior.id) : std::nullopt)
      .Bind(15, c ? std::optional(c->corrigidas) : std::nullopt)
      .Bind(16, c ? std::optional(c->novas) : std::nullopt)
      .Bind(17, c ? std::optional(c->mantidas) : std::nullopt)
      .Run();
  recording.id_ = db_->LastInsertId();
  WriteDetails(*db_, recording.id_, run);
}

Recording HistoryDb::Record(const RunRecord& run) {
  Recording recording = Begin(run);
  recording.Commit();
  return recording;
}

std::vector<StoredRun> HistoryDb::Runs(const char* where, std::string_view empresa) {
  std::vector<StoredRun> runs;
  {
    Statement s(*db_, (std::string(kRunColumns) + where).c_str());
    if (!empresa.empty()) s.Bind(1, empresa);
    while (s.Step()) runs.push_back(ReadRun(s));
  }
  for (StoredRun& run : runs) LoadDetails(run, false);
  return runs;
}

std::vector<StoredRun> HistoryDb::ListRuns(std::string_view empresa) {
  const std::string code(engine::Trimmed(empresa));
  if (code.empty()) return {};
  return Runs("WHERE empresa = ? ORDER BY id DESC", code);
}

std::vector<StoredRun> HistoryDb::AllRuns() { return Runs("ORDER BY id", {}); }

std::optional<StoredRun> HistoryDb::LoadRun(std::int64_t id, bool with_identities) {
  std::optional<StoredRun> run;
  {
    Statement s(*db_, (std::string(kRunColumns) + "WHERE id = ?").c_str());
    s.Bind(1, id);
    if (!s.Step()) return std::nullopt;
    run = ReadRun(s);
  }
  LoadDetails(*run, with_identities);
  return run;
}

void HistoryDb::LoadDetails(StoredRun& run, bool with_identities) {
  RunRecord& r = run.record;
  Statement entradas(*db_,
                     "SELECT arquivo, caminho, tamanho, modificado FROM entradas WHERE run = ? "
                     "ORDER BY rowid");
  entradas.Bind(1, run.id);
  while (entradas.Step()) {
    r.entradas.push_back({FileNamed(entradas.Text(0)), entradas.Text(1), entradas.OptionalInt(2),
                          entradas.OptionalInt(3)});
  }
  Statement tabelas(*db_,
                    "SELECT tabela, nome, caminho, situacao, registros, registros_com_falha "
                    "FROM tabelas WHERE run = ? ORDER BY rowid");
  Statement campos(*db_,
                   "SELECT campo, ordem, erro_nulo, erro_dom FROM campos WHERE run = ? AND "
                   "tabela = ? ORDER BY rowid");
  tabelas.Bind(1, run.id);
  while (tabelas.Step()) {
    engine::TableResult& t = r.tabelas.emplace_back();
    t.numTabela = static_cast<int>(tabelas.Int(0));
    t.nomeTabela = tabelas.Text(1);
    t.path = tabelas.Text(2);
    t.outcome = OutcomeNamed(tabelas.Text(3));
    t.records = static_cast<std::int32_t>(tabelas.Int(4));
    t.records_failed = tabelas.Int(5);
    campos.Bind(1, run.id).Bind(2, std::int64_t{t.numTabela});
    while (campos.Step()) {
      t.fields.push_back({campos.Text(0), campos.Int(1), campos.Int(2), campos.Int(3)});
    }
    campos.Reset();
  }
  Statement veredito(*db_, "SELECT lista, tipo, texto FROM veredito WHERE run = ? ORDER BY rowid");
  veredito.Bind(1, run.id);
  while (veredito.Step()) {
    auto& lines = veredito.Text(0) == "motivo" ? r.motivos : r.avisos;
    lines.push_back({veredito.Text(1), veredito.Text(2)});
  }
  Statement conciliacao(*db_,
                        "SELECT secao, titulo, ramo, valor_kov, valor_arquivo, diferenca "
                        "FROM conciliacao WHERE run = ? ORDER BY rowid");
  conciliacao.Bind(1, run.id);
  std::int64_t section = -1;
  while (conciliacao.Step()) {
    if (conciliacao.Int(0) != section || r.conciliacao.empty()) {
      section = conciliacao.Int(0);
      r.conciliacao.push_back({conciliacao.Text(1), {}});
    }
    r.conciliacao.back().rows.push_back({conciliacao.Text(2), conciliacao.Real(3),
                                         conciliacao.Real(4), conciliacao.OptionalReal(5)});
  }
  if (!with_identities) return;
  Statement falhas(*db_,
                   "SELECT arquivo, campo, verificacao, quantidade, identidades FROM falhas "
                   "WHERE run = ?");
  falhas.Bind(1, run.id);
  while (falhas.Step()) {
    const std::optional<engine::FindingCheck> check = CheckNamed(falhas.Text(2));
    if (!check) continue;  // a check this version does not know
    std::vector<std::uint64_t> hashes;
    if (!DecodeIdentities(falhas.BlobView(4), falhas.Int(3), &hashes)) {
      throw HistoryError("the failures of run " + std::to_string(run.id) + " are damaged");
    }
    r.falhas.AddSortedRun({FileNamed(falhas.Text(0)), falhas.Text(1), *check}, std::move(hashes));
  }
}

std::int64_t HistoryDb::DeleteCompany(std::string_view empresa) {
  const std::string code(engine::Trimmed(empresa));
  Transaction transaction(*db_);
  Statement remove(*db_, "DELETE FROM runs WHERE empresa = ?");
  remove.Bind(1, std::string_view(code)).Run();
  const std::int64_t deleted = db_->Changes();
  transaction.Commit();
  return deleted;
}

}  // namespace history
