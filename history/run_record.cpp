#include "history/run_record.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/regional.h"
#include "engine/text.h"
#include "platform/system_path.h"

namespace history {
namespace {

InputStamp Stamp(engine::FindingFile arquivo, const std::string& path) {
  InputStamp stamp{arquivo, path, std::nullopt, std::nullopt};
  const std::filesystem::path file = platform::FileSystemPath(path);
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (!ec) stamp.tamanho = static_cast<std::int64_t>(size);
  const std::filesystem::file_time_type written = std::filesystem::last_write_time(file, ec);
  if (!ec) {
    const auto since_epoch = std::chrono::file_clock::to_sys(written).time_since_epoch();
    stamp.modificado = std::chrono::duration_cast<std::chrono::seconds>(since_epoch).count();
  }
  return stamp;
}

std::vector<VerdictLine> Lines(const std::vector<engine::VerdictItem>& items) {
  std::vector<VerdictLine> lines;
  for (const engine::VerdictItem& item : items) lines.push_back({item.tipo, item.texto});
  return lines;
}

}  // namespace

RunRecord MakeRunRecord(const RunSource& source, const engine::RunState& state,
                        const engine::Verdict& verdict, const std::optional<std::string>& error,
                        FailureIdentities falhas) {
  const engine::RunResult& r = state.result;
  RunRecord record;
  record.inicio = engine::IsoDateTime(r.started);
  record.versao = source.versao;
  if (!engine::Trimmed(source.riscos).empty()) {
    record.entradas.push_back(Stamp(engine::FindingFile::kRiscos, source.riscos));
  }
  if (!engine::Trimmed(source.sinistros).empty()) {
    record.entradas.push_back(Stamp(engine::FindingFile::kSinistros, source.sinistros));
  }
  record.catalogo = source.catalogo;
  record.empresa = std::string(engine::Trimmed(state.codEmpresa));
  record.empresa_nome = r.company_name;
  record.periodo = r.period;
  record.resultado = std::string(engine::VerdictOutcomeName(verdict.resultado));
  record.motivos = Lines(verdict.motivos);
  record.avisos = Lines(verdict.avisos);
  record.tabelas = r.tables;
  record.sem_apolice = r.claims_without_policy;
  record.vigencia_invertida = r.inverted_coverages;
  record.conciliacao = r.reconciliation;
  record.erro = error;
  record.falhas = std::move(falhas);
  return record;
}

}  // namespace history
